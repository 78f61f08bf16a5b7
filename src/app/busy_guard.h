// SPDX-License-Identifier: MIT
// One guard for the whole program: a folder load, a search run and every
// command that changes a list hold it while they run. The long ones let
// window events run, so without it a click could start a second command
// on a list the first is still rebuilding.
#pragma once

namespace pelmora::app {

class BusyGuard {
public:
    enum class Task { None, Load, Search, Command };

    bool busy() const { return m_task != Task::None; }
    Task task() const { return m_task; }

    // Holds the guard for its lifetime; a scope taken while the guard is
    // held holds nothing (check busy() first).
    class Scope {
    public:
        Scope(BusyGuard& guard, Task task) : m_guard(guard), m_owner(!guard.busy()) {
            if (m_owner) m_guard.m_task = task;
        }
        ~Scope() {
            if (m_owner) m_guard.m_task = Task::None;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        BusyGuard& m_guard;
        bool m_owner;
    };

private:
    Task m_task = Task::None;
};

}  // namespace pelmora::app
