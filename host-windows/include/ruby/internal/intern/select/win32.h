/* Ruby's headers include this on Windows for its fd_set wrappers, which the plug-in does not use;
 * they need only the name of the set type (Winsock's fd_set, left incomplete so that no
 * <windows.h> comes in with Ruby's headers). */
#pragma once
struct fd_set;
typedef struct fd_set rb_fdset_t;
