// Preloaded into quillox-note by cli_test.sh. Every block freed (realloc's old blocks too) is
// searched for each line of QUILLOX_SECRETS, as bytes and as UTF-16LE, and a find is appended to
// freed.txt as "SECRET FREED: n" (n: the line). QUILLOX_NO_RANDOM makes getrandom fail as a seccomp
// filter can.
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <malloc.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

void* __libc_malloc(size_t n);
void __libc_free(void* p);

static int holds(const char* block, size_t size, const char* secret, size_t n) {
    char wide[512];
    if (memmem(block, size, secret, n)) return 1;
    for (size_t i = 0; i < n && i < sizeof wide / 2; ++i)
        wide[2 * i] = secret[i], wide[2 * i + 1] = 0;
    return 2 * n <= sizeof wide && memmem(block, size, wide, 2 * n) != NULL;
}

void free(void* p) {
    const char* secrets = getenv("QUILLOX_SECRETS");
    if (p && secrets) {
        const size_t size = malloc_usable_size(p);
        int index = 0;
        for (const char *at = secrets, *end; *at; at = *end ? end + 1 : end, ++index) {
            end = strchrnul(at, '\n');
            if (end > at && holds(p, size, at, (size_t)(end - at))) {
                char line[] = "SECRET FREED: 0\n";
                line[14] = (char)('0' + index % 10);
                const int log = open("freed.txt", O_WRONLY | O_APPEND | O_CREAT, 0600);
                write(log, line, sizeof line - 1);
                close(log);
            }
        }
    }
    __libc_free(p);
}

void* realloc(void* p, size_t n) {
    void* moved = n ? __libc_malloc(n) : NULL;
    if (p && moved) memcpy(moved, p, malloc_usable_size(p) < n ? malloc_usable_size(p) : n);
    if (moved || !n) free(p);
    return moved;
}

ssize_t getrandom(void* out, size_t n, unsigned flags) {
    if (!getenv("QUILLOX_NO_RANDOM")) return syscall(SYS_getrandom, out, n, flags);
    errno = ENOSYS;
    return -1;
}
