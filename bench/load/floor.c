/* SPDX-License-Identifier: MIT */
/* The floor of a folder load: the least work any reader of the list must do.
 * For each *.eml / *.nws file of a folder (and its subfolders, which a
 * search reads; a folder load reads none) it opens the file, reads the header
 * block, and for a multipart/mixed or multipart/report message on to the
 * second boundary line, then closes it. No decoding, no entries, no sort.
 * It reads 4 KB, then 16 KB, then 64 KB at a time, as the message reader does.
 *
 * With --stat it also asks the file system for each file's size and time,
 * which a Linux folder listing does not carry (the Windows one does).
 * With --whole it reads every file to its end. With --search it reads what a
 * body search must read: a multipart/mixed or multipart/report message on to
 * its second boundary line (the search looks at its first part only), any
 * other to its end.
 * With --threads=N the files are shared out among N threads (runs of 64
 * names from one counter), so that N reads are in flight at once: on a cold
 * cache that, not the processor, sets the pace.
 *
 * usage: load_floor [--stat] [--whole | --search] [--threads=N] FOLDER
 *        (prints files and bytes read) */
#include <ctype.h>
#include <dirent.h>
#include <pthread.h>
#include <stdatomic.h>
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
    size_t want = sizeof r->buf - r->end;
    if (r->total == 0)
        want = 4 * 1024;
    else if (r->total < 16 * 1024 && want > 16 * 1024)
        want = 16 * 1024;
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

/* Reads what the list needs of one file; 0 when it is no multipart/mixed or
 * multipart/report message, whose first part the list does not look into. */
static int read_one(struct reader *r) {
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
    if (!line) return 1;
    if (!find_nocase(content_type, ct_length, "multipart/mixed") &&
        !find_nocase(content_type, ct_length, "multipart/report"))
        return 0;
    const char *b = find_nocase(content_type, ct_length, "boundary=");
    if (!b) return 0;
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
    return 1;
}

static void read_rest(struct reader *r) {
    size_t n;
    while (next_line(r, &n) != NULL) {
    }
}

static int with_stat, whole, search;
static int folder_fd;
static char **names;
static size_t name_count;
static atomic_size_t next_name;
static atomic_size_t files_read, bytes_read;

enum { kRun = 64 };

static void *reader_thread(void *unused) {
    (void)unused;
    struct reader *r = malloc(sizeof *r);
    if (!r) abort();
    size_t files = 0, bytes = 0;
    for (;;) {
        size_t first = atomic_fetch_add(&next_name, kRun);
        if (first >= name_count) break;
        size_t last = first + kRun < name_count ? first + kRun : name_count;
        for (size_t i = first; i < last; ++i) {
            struct stat info;
            if (with_stat && fstatat(folder_fd, names[i], &info, 0) != 0) continue;
            r->fd = openat(folder_fd, names[i], O_RDONLY);
            if (r->fd < 0) continue;
            r->begin = r->end = r->total = 0;
            r->eof = 0;
            if (whole)
                read_rest(r);
            else if (!read_one(r) && search)
                read_rest(r);
            close(r->fd);
            ++files;
            bytes += r->total;
        }
    }
    atomic_fetch_add(&files_read, files);
    atomic_fetch_add(&bytes_read, bytes);
    free(r);
    return NULL;
}

static size_t name_capacity;

/* Names of the message files of dir and its subfolders, relative to the
 * top folder (a search reads subfolders too). */
static void collect(DIR *dir, const char *prefix) {
    struct dirent *entry;
    while ((entry = readdir(dir)) != NULL) {
        const char *name = entry->d_name;
        size_t len = strlen(name);
        char path[4096];
        if (snprintf(path, sizeof path, "%s%s", prefix, name) >= (int)sizeof path) continue;
        if (entry->d_type == DT_DIR) {
            if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
            int fd = openat(folder_fd, path, O_RDONLY | O_DIRECTORY);
            DIR *sub = fd >= 0 ? fdopendir(fd) : NULL;
            if (!sub) continue;
            strcat(path, "/");
            collect(sub, path);
            closedir(sub);
            continue;
        }
        if (len < 4) continue;
        const char *ext = name + len - 4;
        if (!has_prefix_nocase(ext, 4, ".eml") && !has_prefix_nocase(ext, 4, ".nws")) continue;
        if (name_count == name_capacity) {
            name_capacity = name_capacity ? name_capacity * 2 : 1024;
            names = realloc(names, name_capacity * sizeof *names);
            if (!names) abort();
        }
        names[name_count++] = strdup(path);
    }
}

int main(int argc, char **argv) {
    int threads = 1;
    const char *folder = NULL;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--stat") == 0)
            with_stat = 1;
        else if (strcmp(argv[i], "--whole") == 0)
            whole = 1;
        else if (strcmp(argv[i], "--search") == 0)
            search = 1;
        else if (strncmp(argv[i], "--threads=", 10) == 0)
            threads = atoi(argv[i] + 10);
        else if (!folder)
            folder = argv[i];
        else
            folder = NULL, i = argc;
    }
    if (!folder || threads < 1) {
        fprintf(stderr, "usage: %s [--stat] [--whole | --search] [--threads=N] FOLDER\n", argv[0]);
        return 2;
    }
    DIR *dir = opendir(folder);
    if (!dir) {
        perror(folder);
        return 1;
    }
    /* The names first, as the program's scan lists them before reading. */
    folder_fd = dirfd(dir);
    collect(dir, "");
    if (!names) abort();
    pthread_t *pool = calloc((size_t)threads, sizeof *pool);
    for (int t = 1; t < threads; ++t) pthread_create(&pool[t], NULL, reader_thread, NULL);
    reader_thread(NULL);
    for (int t = 1; t < threads; ++t) pthread_join(pool[t], NULL);
    closedir(dir);
    printf("%zu %zu\n", atomic_load(&files_read), atomic_load(&bytes_read));
    return 0;
}
