/* Reading the headers of a web server's answer (RFC 9110), over bytes
 * alone so that it can be tried on the host. */
#pragma once
#include <efi.h>

/* Is the NUL-terminated field name `name` the name `wanted`, in any case? */
BOOLEAN HeaderNameIs(const CHAR8 *name, const char *wanted);
/* A Content-Length of decimal digits only (blanks around them allowed)
 * that fits 64 bits; FALSE for anything else, and *value is left alone. */
BOOLEAN ParseContentLength(const CHAR8 *text, UINT64 *value);
