/* Ruby's headers include this on Windows for its replacements of POSIX calls (rb_w32_*), which the
 * plug-in does not use; every setting the headers need is in ruby/config.h. */
#pragma once
