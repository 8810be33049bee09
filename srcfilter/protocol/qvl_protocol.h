/* The producer protocol of the "Quovalent_01" virtual camera.
 *
 * This is the page to read when writing a producer of your own. A producer hands frames to
 * the camera through one named shared-memory region guarded by one named mutex:
 *
 *  1. Open (or create, if no camera has yet) the file mapping QVL_REGION_NAME of
 *     QVL_REGION_SIZE bytes, or of one frame's bytes if that is more, and the mutex
 *     QVL_MUTEX_NAME (CreateMutexA with no initial owner). A camera that comes first makes
 *     the region the same way, so it may be larger than QVL_REGION_SIZE; one a producer made
 *     first keeps its size, and the camera copies no more than it holds.
 *  2. For each frame: wait for the mutex, write one whole frame at byte 0 of the region,
 *     release the mutex. Hold it only for the copy: the camera waits at most
 *     QVL_CAMERA_MUTEX_WAIT_MS for it before it delivers the region as it is.
 *  3. A frame is width x height pixels of QVL_BYTES_PER_PIXEL bytes, B G R X in memory order
 *     (the fourth byte is unused), rows stored bottom-up (the first row in memory is the
 *     picture's bottom row), no padding between rows.
 *  4. width, height and fps are the camera's per-user settings: REG_DWORD values named
 *     QVL_SETTING_WIDTH, QVL_SETTING_HEIGHT and QVL_SETTING_FPS under
 *     HKEY_CURRENT_USER\QVL_SETTINGS_KEY; a missing value means its QVL_DEFAULT_*. The
 *     camera writes the defaults back the first time it reads them. A size whose frame is
 *     empty or above QVL_MAX_FRAME_BYTES gives the default size; a rate outside
 *     1..QVL_MAX_FPS gives the default rate.
 *
 * The camera keeps its own pace (one frame per 1/fps second while a capture program runs);
 * a producer only has to keep the region current.
 *
 * The frame signal (optional). A producer that also says when a frame is complete has each
 * fresh frame delivered right after it is written, instead of at the camera's next tick:
 *
 *  5. Open (or create, zero-filled) the file mapping QVL_SIGNAL_NAME ("<region>.signal") of
 *     sizeof(qvl_signal_block) bytes. A camera that streams claims one of its
 *     QVL_SIGNAL_SLOTS slots by writing its process id there, and creates the auto-reset
 *     event of that slot, named by QVL_SIGNAL_EVENT_FORMAT from the region name and the slot
 *     number ("<region>.signal.3"). A slot holding 0 is free.
 *  6. After writing a frame, while still holding the mutex: InterlockedIncrement the block's
 *     sequence. The camera takes a changed sequence to mean a complete, fresh frame.
 *  7. After releasing the mutex (a camera woken earlier would only wait for it): for each
 *     slot whose claim is not 0, open its event (once; keep the handle) and SetEvent it.
 *     Nothing else is needed per frame. A camera that finds no signal paces by its own clock.
 *
 * The Windows 11 camera's channel (optional, a second camera). On Windows 11 the same
 * pictures can also feed a Media Foundation camera, which the system's Frame Server service
 * runs in session 0, where the names above (the user's session's) cannot be seen. That
 * camera makes its own channel with Global\ names, and a producer that wants to feed it too:
 *
 *  8. At most once a second while it has not found it, opens (never creates: only the
 *     service may, and a standard user lacks the privilege) the file mapping
 *     QVL_MF_REGION_NAME with QVL_MF_REGION_ACCESS and the mutex QVL_MF_REGION_NAME
 *     QVL_MUTEX_SUFFIX with QVL_MF_MUTEX_ACCESS. Not there: it goes on with step 2 alone.
 *  9. The region starts with a qvl_mf_header that the camera wrote before anyone could open
 *     it: magic (QVL_MF_MAGIC), then the camera's width, height and fps, which are the
 *     machine's format (the values of step 4 under HKEY_LOCAL_MACHINE\QVL_SETTINGS_KEY, in
 *     the 64-bit registry view, with the same defaults and rules), not the user's. The frame
 *     lies at byte QVL_MF_FRAME_OFFSET: the header's width x height pixels of step 3's B G R X,
 *     but rows top-down (the first row in memory is the picture's top row, as Media
 *     Foundation stores pictures, so that the camera copies it as it is), no padding. Use the
 *     region only when the magic matches and it spans QVL_MF_FRAME_OFFSET + the frame.
 * 10. For each frame, after step 2 and still holding the first mutex (lock order: the user's
 *     camera's mutex, then this one), wait (bounded) for this mutex, write the frame, release
 *     it: the frame just written in step 2 with its rows turned top-down, or, when the two
 *     formats differ, fitted into the header's size: as large as it goes with its aspect
 *     ratio kept, centred, black around, each pixel taken from the nearest source pixel.
 * 11. Its frame signal is steps 5 to 7 with QVL_MF_REGION_NAME for the region name, except
 *     that the producer only opens: the block with QVL_MF_REGION_ACCESS, the slot events with
 *     QVL_MF_EVENT_ACCESS.
 *
 * Rights on the Global objects, given by the camera's security descriptor: full to Local
 * System and Local Service (the Frame Server and its monitor, which run the camera) and to
 * the objects' owner; to interactive users only the rights above: map the regions for
 * reading and writing, wait for and release the mutex, set the events. No wider: other
 * logons (network, other services) get nothing, since the picture is private and the
 * camera trusts what is written there; interactive users cannot change the objects' security,
 * and only the service can create the names, so no one can plant a region of their own.
 *
 * Plain C, so that programs in any language with a C interface can use it.
 */
#ifndef QVL_PROTOCOL_H
#define QVL_PROTOCOL_H

/* The camera's class identifier; its registry string form names the region. */
#define QVL_CAMERA_CLSID_STRING "{D7A2CE2F-8221-4B80-B086-B795D9C845F6}"
#define QVL_CAMERA_CLSID_INIT                                                                      \
    {                                                                                              \
        0xD7A2CE2F, 0x8221, 0x4B80, {                                                              \
            0xB0, 0x86, 0xB7, 0x95, 0xD9, 0xC8, 0x45, 0xF6                                         \
        }                                                                                          \
    }
#define QVL_CAMERA_FRIENDLY_NAME "Quovalent_01"

/* The Windows 11 camera: a Media Foundation media source, a second product fed by the same
 * producers. Its class identifier; Windows appends its own words to the friendly name. */
#define QVL_MF_SOURCE_CLSID_STRING "{6735A3BD-5873-4A7D-BD76-F767BBBA4232}"
#define QVL_MF_SOURCE_CLSID_INIT                                                                   \
    {                                                                                              \
        0x6735A3BD, 0x5873, 0x4A7D, {                                                              \
            0xBD, 0x76, 0xF7, 0x67, 0xBB, 0xBA, 0x42, 0x32                                         \
        }                                                                                          \
    }

#define QVL_REGION_NAME QVL_CAMERA_CLSID_STRING
#define QVL_MUTEX_SUFFIX ".mutex"
#define QVL_MUTEX_NAME QVL_CAMERA_CLSID_STRING QVL_MUTEX_SUFFIX
#define QVL_REGION_SIZE (16u * 1024u * 1024u)
#define QVL_CAMERA_MUTEX_WAIT_MS 5000u

#define QVL_BYTES_PER_PIXEL 4u

/* The optional frame signal (steps 5 to 7 above). */
#define QVL_SIGNAL_SUFFIX ".signal"
#define QVL_SIGNAL_NAME QVL_REGION_NAME QVL_SIGNAL_SUFFIX
/* printf format of slot i's event name: the region name, then the slot number. */
#define QVL_SIGNAL_EVENT_FORMAT "%s" QVL_SIGNAL_SUFFIX ".%u"
#define QVL_SIGNAL_SLOTS 16
typedef struct qvl_signal_block {
    volatile long sequence;                 /* frames written since the block was made */
    volatile long claims[QVL_SIGNAL_SLOTS]; /* a camera's process id, or 0: slot free */
} qvl_signal_block;

/* The Windows 11 camera's channel (steps 8 to 11 above). */
#define QVL_MF_REGION_NAME "Global\\" QVL_MF_SOURCE_CLSID_STRING
#define QVL_MF_MAGIC 0x3146564Cu  /* "LVF1" in memory order */
#define QVL_MF_FRAME_OFFSET 4096u /* a page: the frame starts page-aligned */
#define QVL_MF_LOOK_INTERVAL_MS 1000u
/* What interactive users may do, and so what a producer asks for when it opens. */
#define QVL_MF_REGION_ACCESS 0x0006u    /* FILE_MAP_READ | FILE_MAP_WRITE */
#define QVL_MF_MUTEX_ACCESS 0x00100001u /* SYNCHRONIZE | MUTEX_MODIFY_STATE */
#define QVL_MF_EVENT_ACCESS 0x0002u     /* EVENT_MODIFY_STATE */
typedef struct qvl_mf_header {
    volatile long magic; /* QVL_MF_MAGIC once the rest is written */
    long width;
    long height;
    long fps;
} qvl_mf_header;

/* The configuration store: application and vendor, and the path of the three values. */
#define QVL_SETTINGS_APP "QVLBase"
#define QVL_SETTINGS_VENDOR "orbitandlantern"
#define QVL_SETTINGS_PATH "/media/virtual/"
#define QVL_SETTINGS_KEY "Software\\" QVL_SETTINGS_VENDOR "\\" QVL_SETTINGS_APP "\\media\\virtual"
#define QVL_SETTING_WIDTH "width"
#define QVL_SETTING_HEIGHT "height"
#define QVL_SETTING_FPS "fps"
#define QVL_DEFAULT_WIDTH 320
#define QVL_DEFAULT_HEIGHT 240
#define QVL_DEFAULT_FPS 25
/* The largest frame (8K UHD fits) and rate (a frame time of one 100-ns unit) the camera takes. */
#define QVL_MAX_FRAME_BYTES (128u * 1024u * 1024u)
#define QVL_MAX_FPS 10000000

#endif
