/* A C program using images without starting Tcl: no interpreter, no
 * Tavrel_Init.  Creating, filling, encoding and freeing must all work. */
#include "tavrel.h"

#include <stdio.h>

int main(void) {
    Photo *image = PhotoCreate(4, 3, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (!image) return 1;
    FormatDb **formats = TavImageInit();
    int length = 0;
    unsigned char *ppm = TavWriteString(formats, image, &length, "ppm", NULL);
    const int ok = ppm != NULL && length > 0;
    TavFree(ppm);
    TavImageClose(formats);
    PhotoDelete(image);
    if (!ok) return 2;
    puts("ok");
    return 0;
}
