/* unlha32 - an LZH (LHA) archiver behind one command-text entry point.
 *
 *   int rc = Unlha(window, "x -c \"/home/me/a.lzh\" \"/tmp/out/\" readme.txt", buf, sizeof buf);
 *
 * The command text is words separated by blanks; a word between double quotes
 * may hold blanks.  Commands: l (list), x (extract), t (test), d (delete),
 * a (add), s (make a self-extracting program).  The text the command produces (the
 * listing, or one line per problem) is written to `output`, always
 * NUL-terminated when size > 0; when it does not fit it is cut after the last
 * whole line, and the result is UNLHA_ERR_OUTPUT if the command succeeded.
 * A command that failed returns its failure all the same, its text cut as
 * above: a failure is worth more than the news that the text was cut.  (A
 * cut listing lacks its closing separator and summary lines.)
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
    UNLHA_ERR_ARCHIVE = 2,   /* archive missing, unreadable, or not a regular file */
    UNLHA_ERR_FORMAT = 3,    /* not an LZH archive, a damaged header, or an archive cut short */
    UNLHA_ERR_DATA = 4,      /* damaged member data (bad CRC, undecodable, unknown method) */
    UNLHA_ERR_WRITE = 5,     /* cannot write */
    UNLHA_ERR_OUTPUT = 6,    /* the command succeeded; its output text did not fit */
    UNLHA_ERR_NOMATCH = 7,   /* no member matched */
    UNLHA_ERR_UNSAFE = 8,    /* unsafe member path refused */
    UNLHA_ERR_STOPPED = 9    /* the progress callback asked to stop; nothing was left half done */
} UnlhaResult;

/* `window` says whose progress callback (below) hears of the command. */
UNLHA_API int Unlha(void *window, const char *command, char *output, uint32_t size);

/* Progress.  During every Unlha() call made with a window that has a
 * callback, the library calls it at each member's start and end and at
 * least every 100 ms of work in between.  A non-zero return asks the
 * command to stop: it then returns UNLHA_ERR_STOPPED and leaves things as a
 * failure would (an archive being changed stays as it was, or is not made;
 * an extraction removes the member it was writing and keeps the ones
 * before).  The callback runs on the thread that called Unlha(). */
enum {
    UNLHA_PROGRESS_BEGIN = 0,  /* a member starts */
    UNLHA_PROGRESS_WORK = 1,   /* bytes were done */
    UNLHA_PROGRESS_END = 2     /* a member is done */
};

typedef struct UnlhaProgress {
    uint32_t size;             /* sizeof (UnlhaProgress), for later growth */
    int event;                 /* UNLHA_PROGRESS_BEGIN, _WORK or _END */
    const char *command;       /* the verb: "l", "x", "t", "d", "a", "s" */
    const char *member;        /* its name as the listing gives it; "" before the first */
    uint64_t bytes_done, bytes_total;      /* of the whole command */
    uint64_t members_done, members_total;
    int work;                  /* UNLHA_WORK_OWN, _REPLACE or _COPY (below) */
} UnlhaProgress;

/* What is done with the member, where a command does more than one thing. */
enum {
    UNLHA_WORK_OWN = 0,        /* the command's own: extracted, tested, listed, added, deleted */
    UNLHA_WORK_REPLACE = 1,    /* "a": added in place of an old member of the same path */
    UNLHA_WORK_COPY = 2        /* "a", "d": an old member kept, copied as it is */
};

typedef int (*UnlhaProgressCallback)(void *window, const UnlhaProgress *progress, void *data);

/* Registers `callback` (NULL removes it) and its `data` for `window`.
 * Returns 0. */
UNLHA_API int UnlhaSetProgressCallback(void *window, UnlhaProgressCallback callback, void *data);

/* Accepted and remembered; this library shows no pointer of its own.
 * Returns the previous mode. */
UNLHA_API int UnlhaSetCursorMode(int mode);

#ifdef __cplusplus
}
#endif

#endif
