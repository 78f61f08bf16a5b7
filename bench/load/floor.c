/* SPDX-License-Identifier: MIT */
/* The floor of a folder load: the least work any reader of the list must do.
 * For each *.eml / *.nws file of a folder it opens the file, reads the header
 * block, and for a multipart/mixed or multipart/report message on to the
 * second boundary line, then closes it. No decoding, no entries, no sort.
 * It reads in 16 KB blocks, then 64 KB, as the message reader does.
 *
 * With --stat it also asks the file system for each file's size and time,
 * which a Linux folder listing does not carry (the Windows one does).
 *
 * usage: load_floor [--stat] FOLDER   (prints files and bytes read) */
#include <ctype.h>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

struct reader {
    int fd;
    char buf[64 * 1024];
    size_t begin, end, total;
    int eof;
};

static int fill(struct reader *r) {
    if (r->eof) return 0;
    if (r->begin > 0) {
        memmove(r->buf, r->buf + r->begin, r->end - r->begin);
        r->end -= r->begin;
        r->begin = 0;
    }
    size_t want = r->total == 0 ? 16 * 1024 : sizeof r->buf - r->end;
    if (want == 0) return 1; /* a line longer than the buffer: hand out what is there */
    ssize_t got = read(r->fd, r->buf + r->end, want);
    if (got <= 0) {
        r->eof = 1;
        return 0;
    }
    r->end += (size_t)got;
    r->total += (size_t)got;
    return 1;
}

/* The next line without its end; NULL at the end of the file. */
static const char *next_line(struct reader *r, size_t *length) {
    for (;;) {
        char *nl = memchr(r->buf + r->begin, '\n', r->end - r->begin);
        if (nl || (r->eof && r->end > r->begin) || r->end - r->begin == sizeof r->buf) {
            char *start = r->buf + r->begin;
            size_t n = nl ? (size_t)(nl - start) : r->end - r->begin;
            r->begin += n + (nl ? 1 : 0);
            if (n > 0 && start[n - 1] == '\r') --n;
            *length = n;
            return start;
        }
        if (!fill(r)) {
            if (r->end > r->begin) continue;
            return NULL;
        }
    }
}

static int has_prefix_nocase(const char *s, size_t n, const char *prefix) {
    size_t k = strlen(prefix);
    if (n < k) return 0;
    for (size_t i = 0; i < k; ++i)
        if (tolower((unsigned char)s[i]) != prefix[i]) return 0;
    return 1;
}

static const char *find_nocase(const char *s, size_t n, const char *needle) {
    size_t k = strlen(needle);
    for (size_t i = 0; i + k <= n; ++i)
        if (has_prefix_nocase(s + i, n - i, needle)) return s + i;
    return NULL;
}

/* Reads what the list needs of one file. */
static void read_one(struct reader *r) {
    char content_type[4096];
    size_t ct_length = 0;
    int in_content_type = 0;
    size_t n;
    const char *line;
    while ((line = next_line(r, &n)) != NULL && n > 0) {
        if (line[0] == ' ' || line[0] == '\t') {
            if (!in_content_type) continue;
        } else {
            in_content_type = has_prefix_nocase(line, n, "content-type:");
            if (!in_content_type) continue;
            ct_length = 0;
        }
        if (ct_length + n < sizeof content_type) {
            memcpy(content_type + ct_length, line, n);
            ct_length += n;
        }
    }
    if (!line) return;
    if (!find_nocase(content_type, ct_length, "multipart/mixed") &&
        !find_nocase(content_type, ct_length, "multipart/report"))
        return;
    const char *b = find_nocase(content_type, ct_length, "boundary=");
    if (!b) return;
    b += 9;
    size_t blen = (size_t)(content_type + ct_length - b);
    const char *semi = memchr(b, ';', blen);
    if (semi) blen = (size_t)(semi - b);
    if (blen >= 2 && b[0] == '"') {
        ++b;
        blen -= 2;
    }
    int delimiters = 0;
    while (delimiters < 2 && (line = next_line(r, &n)) != NULL)
        if (n >= blen + 2 && line[0] == '-' && line[1] == '-' && memcmp(line + 2, b, blen) == 0) ++delimiters;
}

int main(int argc, char **argv) {
    int with_stat = argc == 3 && strcmp(argv[1], "--stat") == 0;
    if (argc != 2 + with_stat) {
        fprintf(stderr, "usage: %s [--stat] FOLDER\n", argv[0]);
        return 2;
    }
    const char *folder = argv[1 + with_stat];
    DIR *dir = opendir(folder);
    if (!dir) {
        perror(folder);
        return 1;
    }
    static struct reader r;
    size_t files = 0, bytes = 0;
    struct dirent *entry;
    while ((entry = readdir(dir)) != NULL) {
        size_t len = strlen(entry->d_name);
        if (len < 4) continue;
        const char *ext = entry->d_name + len - 4;
        if (!has_prefix_nocase(ext, 4, ".eml") && !has_prefix_nocase(ext, 4, ".nws")) continue;
        struct stat info;
        if (with_stat && fstatat(dirfd(dir), entry->d_name, &info, 0) != 0) continue;
        r.fd = openat(dirfd(dir), entry->d_name, O_RDONLY);
        if (r.fd < 0) continue;
        r.begin = r.end = r.total = 0;
        r.eof = 0;
        read_one(&r);
        close(r.fd);
        ++files;
        bytes += r.total;
    }
    closedir(dir);
    printf("%zu %zu\n", files, bytes);
    return 0;
}
