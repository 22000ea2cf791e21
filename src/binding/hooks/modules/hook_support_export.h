/* Marks the functions the hook support library offers to the modules beside it; everything
 * else in that library stays hidden. */
#ifndef MIRELK_HOOK_SUPPORT_EXPORT_H
#define MIRELK_HOOK_SUPPORT_EXPORT_H

#define MIRELK_HOOK_SUPPORT_API __attribute__((visibility("default")))

#endif /* MIRELK_HOOK_SUPPORT_EXPORT_H */
