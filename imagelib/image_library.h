/* Menvolt image library: creates, views and edits the boot image files that
 * menu items name. A separate shared library (libmenvolt-image.so) with C
 * linkage, so that the editor and any other program can load it by name.
 *
 * Records: the two request records keep the field order of the 32-bit
 * interface (nine and four 32-bit fields, 36 and 16 bytes there). The owner
 * and path fields are pointer-sized, so on a 64-bit host the records are
 * larger (48 and 32 bytes here, with the compiler's natural padding); the
 * size field must carry sizeof() of the record the caller was compiled with,
 * and the library refuses a request whose size does not match its own
 * layout rather than read fields from the wrong offsets.
 *
 * Paths: a NUL-terminated path of at most 255 characters. The library is a
 * module of its own and does not share the editor's table of mapped shares,
 * so the caller hands it the path as the host names it (a POSIX path, or a
 * relative one); the editor resolves its Windows path through its file layer
 * first.
 *
 * Owner: the window that makes the request, as a QWidget* (null for none).
 * Help requests: while the viewer runs, its Help button sends the owner an
 * ImageHelpEvent (see image_help_event.h: a QEvent of type
 * KTIMG_HELP_EVENT_TYPE that carries a help context number), synchronously,
 * the way the 32-bit library sent WM_USER+1 with the context in lParam. An
 * owner that shows the help answers by returning true from its event()
 * handler.
 */
#ifndef MENVOLT_IMAGE_LIBRARY_H
#define MENVOLT_IMAGE_LIBRARY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(MENVOLT_IMAGELIB_BUILD)
#define KTIMG_API __attribute__((visibility("default")))
#else
#define KTIMG_API
#endif

/* Version word 1.10 in the high half, build number in the low half. */
#define KTIMG_VERSION_WORD 0x0110u
#define KTIMG_BUILD 46u

/* Option bits of ImageCreateRequest.options (KTIMG_OPTION_STANDARD,
 * _KEEP_UNDI, _KEEP_BASE, _WRITABLE): the EXTX_OPTION lines of
 * extended_image.def, the list that the extended image's start-up code reads
 * them from as well. */
#ifdef __cplusplus
#define EXTX_OPTION(name, value) static constexpr uint32_t name = (value);
#else
#define EXTX_OPTION(name, value) enum { name = (value) };
#endif
#define EXTX_FIELD(name, value)
#define EXTX_HANDOFF(name, value)
#include "common/extended_image.def"
#undef EXTX_FIELD
#undef EXTX_OPTION
#undef EXTX_HANDOFF

/* Fixed values the editor puts into the records. */
#define KTIMG_CREATE_FIXED 1u
#define KTIMG_VIEW_FIXED 0x401u

/* Help requests: the QEvent type the viewer sends its owner (QEvent::User
 * + 0x401, after WM_USER+1), and the context numbers it asks for. */
#define KTIMG_HELP_EVENT_TYPE (1000 + 0x401)
#define KTIMG_HELP_VIEWER 1100u

/* Results of KTCreateImage (0 = created) and KTViewImage. */
#define KTIMG_OK 0
#define KTIMG_ERR_REQUEST 1   /* null record, wrong size, bad capacity or options */
#define KTIMG_ERR_PATH 2      /* missing, empty or too long path, or not a file name */
#define KTIMG_ERR_WRITE 3     /* the file could not be written */
#define KTIMG_ERR_OPEN 4      /* the file could not be read or is not an image of ours */
#define KTIMG_ERR_NO_UI 5     /* viewing needs a running QApplication */

typedef struct ImageCreateRequest {
    uint32_t size;        /* sizeof(ImageCreateRequest) */
    void* owner;          /* QWidget* of the asking dialog, or null */
    const char* path;     /* full path of the file to create */
    uint32_t fixed;       /* KTIMG_CREATE_FIXED */
    uint32_t options;     /* KTIMG_OPTION_* */
    uint32_t reserved1;   /* 0 */
    uint32_t capacity;    /* 0 = 1.44 MB diskette; 2, 4, ..., 16 = extended, in MB */
    uint32_t reserved2;   /* 0 */
    uint32_t reserved3;   /* 0 */
} ImageCreateRequest;

typedef struct ImageViewRequest {
    uint32_t size;        /* sizeof(ImageViewRequest) */
    void* owner;          /* QWidget* of the page or dialog whose View button was pressed */
    const char* path;     /* full path of an existing image file */
    uint32_t fixed;       /* KTIMG_VIEW_FIXED */
} ImageViewRequest;

/* High 16 bits: version word; low 16 bits: build number. */
KTIMG_API uint32_t KTIMGVer(void);

/* Declares the calling application (the editor passes 1). Returns the value
 * now in force. The viewer offers its Help button only once an application
 * is declared, since only then is there an owner that answers help requests. */
KTIMG_API uint32_t KTSetApplication(uint32_t application);

/* Creates (or replaces) the named image with the given capacity and options.
 * 0 = created; otherwise nothing was written and any earlier file of that
 * name is unchanged. */
KTIMG_API int KTCreateImage(const ImageCreateRequest* request);

/* Writes an extended image to `out` (replacing a file of that name) whose volume is the diskette image
 * `diskette` (720 KB, 1.44 MB or 2.88 MB) byte for byte, with the given
 * option bits (KTIMG_OPTION_*). 0 = written; otherwise nothing was written
 * and, when `error` is not null, up to errorSize - 1 characters of the
 * reason are copied there. */
KTIMG_API int KTWrapDiskette(const char* diskette, const char* out, uint32_t options, char* error,
                             uint32_t errorSize);

/* Shows the named image in a modal viewer and editor; returns after the user
 * closes it. Every change is written back before the viewer reports it done.
 * 0 = viewed; non-zero = the viewer did not open (see KTIMG_ERR_*), and
 * nothing was shown: the caller tells the user why. */
KTIMG_API int KTViewImage(const ImageViewRequest* request);

#ifdef __cplusplus
}
#endif

#endif
