/* qvl_sender: sends frames from a program to the "Quovalent_01" virtual camera.
 *
 * Open the camera's channel once, ask it for the size the camera streams, then send frames of
 * exactly that size in any of the layouts below; the library turns each one into the camera's
 * own layout (32-bit B G R X, rows bottom-up) while it holds the camera's mutex. Nothing is
 * allocated per frame, and a frame is either written whole or not at all.
 *
 * Two ways to link it, from C or C++:
 *  - the DLL qvl_sender.dll, through its import library (qvl_sender.lib for MSVC,
 *    libqvl_sender.dll.a for mingw-w64) or found at run time with LoadLibrary and
 *    GetProcAddress (the exports carry the plain names below), from any language that calls C;
 *  - the static library libqvl_sender.a (mingw-w64) with advapi32.
 * Every function uses the C calling convention (__cdecl), in 32-bit and 64-bit programs alike.
 * One sender may be used from any thread, but from one thread at a time.
 */
#ifndef QVL_SENDER_H
#define QVL_SENDER_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define QVL_CALL __cdecl
#else
#define QVL_CALL
#endif

typedef enum qvl_result {
    QVL_OK = 0,
    QVL_INVALID_ARGUMENT = 1, /* null pointer, unknown layout or order, buffer too short */
    QVL_WRONG_SIZE = 2,       /* the frame is not the camera's width x height: nothing written */
    QVL_TIMEOUT = 3,          /* the camera's mutex stayed held past the bound: nothing written */
    QVL_CHANNEL_FAILED = 4,   /* the region or its mutex could not be created, opened or mapped */
    QVL_REGION_TOO_SMALL = 5, /* the existing region cannot hold one frame of the camera's size */
    QVL_OUT_OF_MEMORY = 6
} qvl_result;

/* Byte order of one pixel in memory. */
typedef enum qvl_pixel_layout {
    QVL_BGRA = 0,  /* 4 bytes: blue, green, red, alpha (alpha is dropped) */
    QVL_BGRX = 1,  /* 4 bytes: blue, green, red, unused */
    QVL_RGBA = 2,  /* 4 bytes: red, green, blue, alpha (alpha is dropped) */
    QVL_RGB24 = 3, /* 3 bytes: red, green, blue */
    QVL_BGR24 = 4  /* 3 bytes: blue, green, red */
} qvl_pixel_layout;

/* Which row of the picture comes first in the buffer. */
typedef enum qvl_row_order { QVL_TOP_DOWN = 0, QVL_BOTTOM_UP = 1 } qvl_row_order;

/* Flip the picture left to right on the way (a mirror view, as webcams show). */
#define QVL_FRAME_MIRROR 1u

typedef struct qvl_frame {
    const void* pixels; /* lowest address of the caller's buffer */
    size_t bytes;       /* length of that buffer; every row must lie inside it */
    int width;          /* pixels per row; must equal the camera's width */
    int height;         /* rows; must equal the camera's height */
    /* Bytes from the start of one row to the next, at least width x bytes per pixel.
     * Negative: the first row is the last one in memory and rows go down in address. */
    ptrdiff_t stride;
    qvl_row_order rows;
    qvl_pixel_layout layout;
    unsigned flags; /* 0 or QVL_FRAME_MIRROR */
} qvl_frame;

/* What the camera streams, from its per-user settings. */
typedef struct qvl_camera_format {
    int width;
    int height;
    int fps;
} qvl_camera_format;

typedef struct qvl_sender qvl_sender;

/* Opens the camera's region and mutex, creating them if the camera has not yet, and reads the
 * camera's settings. `timeout_ms` bounds each wait for the mutex in qvl_sender_send; INFINITE
 * (0xFFFFFFFF) is refused, so that a send always comes back. */
qvl_result QVL_CALL qvl_sender_open(unsigned timeout_ms, qvl_sender** sender);

/* The size and rate the camera streams, as read when the sender was opened. */
qvl_result QVL_CALL qvl_sender_format(const qvl_sender* sender, qvl_camera_format* format);

/* Converts one frame into the camera's region under its mutex, then tells every camera
 * streaming now that a fresh frame is there, so that it delivers it at once. Where the
 * Windows 11 camera exists (looked for at most once a second), the frame goes to it too,
 * fitted to its size when that differs; a frame it cannot take in time is skipped for it
 * alone and does not change the result. */
qvl_result QVL_CALL qvl_sender_send(qvl_sender* sender, const qvl_frame* frame);

/* Closes the channel and frees the sender; null is allowed. */
void QVL_CALL qvl_sender_close(qvl_sender* sender);

/* Bytes per pixel of a layout (3 or 4); 0 for an unknown one. */
size_t QVL_CALL qvl_bytes_per_pixel(qvl_pixel_layout layout);

/* A short English description of a result, never null. */
const char* QVL_CALL qvl_result_text(qvl_result result);

#ifdef __cplusplus
}
#endif

#endif
