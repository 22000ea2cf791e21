/* Test module with no Configure and no Release: raises every luma sample by one. It has no
 * Configure, so the context it gets must be the null an entry starts with; with any other
 * context it leaves the picture alone. */
#include <stddef.h>

#include "binding/hooks/frame_hook_module.h"

void Process(void *context, MirelkHookPicture *picture, int pixelFormat, int width, int height,
             int64_t pts)
{
    (void)pixelFormat; (void)pts;
    if (context != NULL) return;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            ++picture->data[0][row * picture->linesize[0] + column];
}
