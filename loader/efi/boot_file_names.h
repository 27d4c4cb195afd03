/* The names of the files read beside our own boot file (NAME.efi): the
 * loader file NAME.ldr and the web setting NAME.url, or the ones a site
 * serves to every kind of PC in that folder (menvolt.ldr, menvolt.url).
 * Plain bytes, so that the rules can be tried on the host. */
#pragma once
#include <efi.h>

/* `own` with the extension of its last part replaced by `extension`
 * (".ldr"), or given it when it has none; the name is cut before the
 * extension where it would not fit in `out_size` bytes with its NUL. */
void NameWithExtension(const CHAR8 *own, const CHAR8 *extension, CHAR8 *out, UINTN out_size);
/* The folder of `own` (up to its last / or \), then `file`; FALSE when
 * that does not fit in `out_size` bytes, or when it names `own` itself. */
BOOLEAN OtherNameInFolder(const CHAR8 *own, const CHAR8 *file, CHAR8 *out, UINTN out_size);
