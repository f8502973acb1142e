/* Preloaded into the tool, makes its allocations fail from the k-th on,
 * where k is the environment variable FAIL_ALLOCATION_FROM: a machine that
 * runs out of memory partway through a run. Allocations made before the
 * program's own initialization, by the loader and the C library, are not
 * counted. */
#define _GNU_SOURCE
#include <errno.h>
#include <stddef.h>
#include <stdlib.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t count, size_t size);
extern void *__libc_realloc(void *block, size_t size);
extern void *__libc_memalign(size_t alignment, size_t size);

static long first_failure = 0; /* 0: none fails */
static long allocations = 0;

__attribute__((constructor)) static void read_first_failure(void)
{
    const char *k = getenv("FAIL_ALLOCATION_FROM");
    first_failure = k != NULL ? atol(k) : 0;
}

static int fails(void)
{
    ++allocations;
    if (first_failure <= 0 || allocations < first_failure)
        return 0;
    errno = ENOMEM;
    return 1;
}

void *malloc(size_t size)
{
    return fails() ? NULL : __libc_malloc(size);
}

void *calloc(size_t count, size_t size)
{
    return fails() ? NULL : __libc_calloc(count, size);
}

void *realloc(void *block, size_t size)
{
    return fails() ? NULL : __libc_realloc(block, size);
}

void *memalign(size_t alignment, size_t size)
{
    return fails() ? NULL : __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void **block, size_t alignment, size_t size)
{
    void *allocated = memalign(alignment, size);
    if (allocated == NULL)
        return ENOMEM;
    *block = allocated;
    return 0;
}
