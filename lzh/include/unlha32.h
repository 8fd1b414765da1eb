/* unlha32 - an LZH (LHA) archiver behind one command-text entry point.
 *
 *   int rc = Unlha(window, "x -c \"/home/me/a.lzh\" \"/tmp/out/\" readme.txt", buf, sizeof buf);
 *
 * The command text is words separated by blanks; a word between double quotes
 * may hold blanks.  Commands: l (list), x (extract), d (delete), a (add),
 * s (make a self-extracting program).  The text the command produces (the
 * listing, or one line per problem) is written to `output`, always
 * NUL-terminated when size > 0; when it does not fit it is cut after the last
 * whole line and the result is UNLHA_ERR_OUTPUT.
 */
#ifndef UNLHA32_H
#define UNLHA32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  define UNLHA_API __declspec(dllexport)
#else
#  define UNLHA_API __attribute__((visibility("default")))
#endif

/* Every result of Unlha(); the library itself uses these names throughout. */
typedef enum UnlhaResult {
    UNLHA_OK = 0,
    UNLHA_ERR_COMMAND = 1,   /* bad command text */
    UNLHA_ERR_ARCHIVE = 2,   /* archive missing or unreadable */
    UNLHA_ERR_FORMAT = 3,    /* not an LZH archive, or a damaged header */
    UNLHA_ERR_DATA = 4,      /* damaged member data (bad CRC, truncated, unknown method) */
    UNLHA_ERR_WRITE = 5,     /* cannot write */
    UNLHA_ERR_OUTPUT = 6,    /* the output text did not fit */
    UNLHA_ERR_NOMATCH = 7,   /* no member matched */
    UNLHA_ERR_UNSAFE = 8,    /* unsafe member path refused */
    UNLHA_ERR_STOPPED = 9    /* the progress callback asked to stop; nothing was left half done */
} UnlhaResult;

/* `window` is accepted for compatibility and not used. */
UNLHA_API int Unlha(void *window, const char *command, char *output, uint32_t size);

/* Accepted and remembered; this library shows no pointer of its own.
 * Returns the previous mode. */
UNLHA_API int UnlhaSetCursorMode(int mode);

#ifdef __cplusplus
}
#endif

#endif
