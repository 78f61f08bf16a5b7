// SPDX-License-Identifier: MIT
// Runs a step when a scope ends, however it ends: a returned error, a thrown
// one or the normal way out. For the undo steps that must not be skipped
// (a view's redrawing, a button's state, a borrowed pointer).
#pragma once

#include <utility>

namespace pelmora {

template <class Step>
class ScopeExit {
public:
    explicit ScopeExit(Step step) : m_step(std::move(step)) {}
    ~ScopeExit() { m_step(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Step m_step;
};

}  // namespace pelmora
