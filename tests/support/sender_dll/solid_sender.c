/* Sends one frame of one colour to the camera through qvl_sender.dll, as a C program of any
 * toolchain would: built once finding the DLL at run time with LoadLibrary and GetProcAddress
 * alone (SENDER_LOADED), and once linked against its import library.
 * Usage: solid_sender R G B. Exit status 0 once the frame is written. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "qvl_sender.h"

struct sender_api {
    qvl_result(QVL_CALL* open)(unsigned, qvl_sender**);
    qvl_result(QVL_CALL* format)(const qvl_sender*, qvl_camera_format*);
    qvl_result(QVL_CALL* send)(qvl_sender*, const qvl_frame*);
    void(QVL_CALL* close)(qvl_sender*);
};

static int find_api(struct sender_api* api) {
#ifdef SENDER_LOADED
    HMODULE dll = LoadLibraryA("qvl_sender.dll");
    if (dll == NULL) {
        return 0;
    }
    api->open = (qvl_result(QVL_CALL*)(unsigned, qvl_sender**))(void*)GetProcAddress(
        dll, "qvl_sender_open");
    api->format = (qvl_result(QVL_CALL*)(const qvl_sender*, qvl_camera_format*))(
        void*)GetProcAddress(dll, "qvl_sender_format");
    api->send = (qvl_result(QVL_CALL*)(qvl_sender*, const qvl_frame*))(void*)GetProcAddress(
        dll, "qvl_sender_send");
    api->close = (void(QVL_CALL*)(qvl_sender*))(void*)GetProcAddress(dll, "qvl_sender_close");
#else
    api->open = qvl_sender_open;
    api->format = qvl_sender_format;
    api->send = qvl_sender_send;
    api->close = qvl_sender_close;
#endif
    return api->open != NULL && api->format != NULL && api->send != NULL && api->close != NULL;
}

int main(int argc, char** argv) {
    struct sender_api api;
    qvl_sender* sender = NULL;
    qvl_camera_format format;
    if (argc != 4 || !find_api(&api) || api.open(1000, &sender) != QVL_OK) {
        fprintf(stderr, "solid_sender: no sender\n");
        return 1;
    }
    api.format(sender, &format);
    size_t bytes = (size_t)format.width * format.height * 3;
    unsigned char* rgb = malloc(bytes);
    for (size_t i = 0; rgb != NULL && i < bytes; ++i) {
        rgb[i] = (unsigned char)atoi(argv[1 + i % 3]);
    }
    qvl_frame frame = {
        rgb,       bytes, format.width, format.height, (ptrdiff_t)format.width * 3, QVL_TOP_DOWN,
        QVL_RGB24, 0};
    qvl_result result = rgb != NULL ? api.send(sender, &frame) : QVL_OUT_OF_MEMORY;
    free(rgb);
    api.close(sender);
    return result == QVL_OK ? 0 : 1;
}
