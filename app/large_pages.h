// Whether the viewer's heap should be in 2 MB pages, decided once at start.
#ifndef AMBLETOE_LARGE_PAGES_H
#define AMBLETOE_LARGE_PAGES_H

#include <string>

// Fresh 4 KiB pages slower than this to fault make 2 MB pages pay even when
// every one of them is fresh to the host too (about 4 to 5 us per 4 KiB
// measured then, against 10 to 16 us for small pages); below it small pages
// come from memory the host already backs and 2 MB ones can cost more.
constexpr double kSlowFreshPageMicros = 6.0;

// The C library's tunables to start again with, or "" to keep this process.
// tunables: GLIBC_TUNABLES as set (null when unset); one that names the
// heap's page setting is the user's choice and is kept.
// thpMode: the kernel's transparent huge page mode line ("always [madvise]
// never"); 2 MB pages are asked for only in madvise mode, where malloc has to
// ask and does so with the setting.
// microsPerPage: the measured cost of faulting one fresh 4 KiB page.
std::string largePageTunables(const char* tunables, const char* thpMode, double microsPerPage);

#endif  // AMBLETOE_LARGE_PAGES_H
