/* Sends five seconds of a moving colour ramp to the camera: the sender library used from C. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "qvl_sender.h"

int main(void) {
    qvl_sender* sender = NULL;
    qvl_camera_format format;
    qvl_result result = qvl_sender_open(1000, &sender);
    if (result != QVL_OK) {
        fprintf(stderr, "camera: %s\n", qvl_result_text(result));
        return 1;
    }
    qvl_sender_format(sender, &format); /* the camera's size and rate */
    size_t stride = (size_t)format.width * 3, bytes = stride * format.height;
    unsigned char* rgb = malloc(bytes); /* RGB24, top row first */
    for (int n = 0; rgb != NULL && n < 5 * format.fps; ++n) {
        for (size_t i = 0; i < bytes; ++i) {
            rgb[i] = (unsigned char)(i % stride / 3 + 4 * n);
        }
        qvl_frame frame = {
            rgb, bytes, format.width, format.height, (ptrdiff_t)stride, QVL_TOP_DOWN, QVL_RGB24, 0};
        result = qvl_sender_send(sender, &frame); /* QVL_TIMEOUT: camera busy, frame skipped */
        Sleep(1000 / format.fps);
    }
    free(rgb);
    qvl_sender_close(sender);
    return result == QVL_OK || result == QVL_TIMEOUT ? 0 : 1;
}
