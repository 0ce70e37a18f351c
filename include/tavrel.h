/*
 * tavrel.h -- the public C interface of the tavrel extension.
 *
 * Conventions: functions return 0 for success and 1 for failure, or a
 * pointer that is NULL on failure.  Byte data is unsigned char, coordinates
 * and sizes are int.  Every record, pixel buffer and string handed out by
 * the library is released with TavFree.
 *
 * A C host needs nothing first: memory comes from Tcl's allocator once the
 * package is loaded into an interpreter (Tavrel_Init), and from the C
 * library's malloc before that, so PhotoCreate and the readers work in a
 * program that never starts Tcl.  A block must be released by TavFree under
 * the same regime it was allocated in.  The Tcl and Tk parts (channels,
 * photos, format registration) need Tavrel_Init on an interpreter first.
 * This header may be included before or after tcl.h.
 */
#ifndef TAVREL_H
#define TAVREL_H

#include <stddef.h>

#include "tavrel_version.h" /* TAVREL_VERSION */

#if defined(_WIN32)
#  define TAVREL_API __declspec(dllexport)
#else
#  define TAVREL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Tcl's records, as tcl.h declares them; used here only by pointer. */
struct Tcl_Interp;
struct Tcl_Channel_;

/* ------------------------------------------------------------------ */
/* Image core: records                                                 */
/* ------------------------------------------------------------------ */

typedef struct Photo Photo;
typedef struct TavColormap TavColormap;
typedef struct TavRegion TavRegion;

/* Image modes. */
enum { TAV_MODE_RGBA = 0, TAV_MODE_GRAY = 1, TAV_MODE_GRAYALPHA = 2, TAV_MODE_INDEXED = 3 };
/* Renderer kinds. */
enum { TAV_RENDER_NULL = 0, TAV_RENDER_MEMORY = 1, TAV_RENDER_TKPHOTO = 2 };
/* Compose modes; 0 means "the image's own setting". */
enum {
    TAV_COMPOSE_DEFAULT = 0, TAV_COMPOSE_REPLACE, TAV_COMPOSE_OVER, TAV_COMPOSE_UNDER,
    TAV_COMPOSE_PLUS, TAV_COMPOSE_MINUS, TAV_COMPOSE_ADD, TAV_COMPOSE_SUBTRACT,
    TAV_COMPOSE_DIFFERENCE, TAV_COMPOSE_BUMP, TAV_COMPOSE_MAP, TAV_COMPOSE_MIX
};

/* Renderer table: every slot may be NULL; callers test before calling. */
typedef struct TavRenderOps {
    int (*resize)(Photo *image, int width, int height);
    int (*destroy)(Photo *image);
    int (*put_block)(Photo *image, const unsigned char *src, int x, int y, int w, int h);
    int (*get_block)(Photo *image, unsigned char *dst, int x, int y, int w, int h);
    int (*get_points)(Photo *image, unsigned char *dst, int x, int y,
                      const int *offsets, int count, const unsigned char *fill);
} TavRenderOps;

/* Where the pixels of an outside buffer lie: byte of channel c at (x, y)
 * is plane[c] + x * pixel_stride[c] + y * row_stride[c]. */
typedef struct TavPlaneSet {
    unsigned char *plane[4];
    int pixel_stride[4];
    int row_stride[4];
} TavPlaneSet;

typedef void (*PhotoEventProc)(Photo *image, int a, int b, int c, int d);

struct Photo {
    int mode;
    int width;
    int height;
    int channels;
    int renderer;
    TavRenderOps *render_ops;
    void *render_data;
    void *render_arg;
    TavRegion *region;
    TavColormap *colormap;
    unsigned char background[4];
    unsigned char foreground[4];
    int compose;
    PhotoEventProc event_proc;
    int quality;
};

/* Source of PhotoPutBlock.  With a colormap the block is indexed: plane 0
 * holds palette indices. */
typedef struct PhotoBlock {
    int width;
    int height;
    TavPlaneSet planes;
    TavColormap *colormap;
} PhotoBlock;

/* ------------------------------------------------------------------ */
/* Memory                                                              */
/* ------------------------------------------------------------------ */

TAVREL_API void *TavAlloc(unsigned int size);
TAVREL_API void TavFree(void *ptr);
TAVREL_API char *TavStrdup(const char *text);

/* ------------------------------------------------------------------ */
/* Image lifecycle, queries and settings                               */
/* ------------------------------------------------------------------ */

TAVREL_API Photo *PhotoCreateExt(int width, int height, int mode, int renderer, void *render_arg);
TAVREL_API Photo *PhotoCreate(int width, int height, int mode, int renderer);
TAVREL_API Photo *PhotoRecreate(Photo *image, int width, int height, int mode);
TAVREL_API void PhotoReset(Photo *image);
TAVREL_API void PhotoDelete(Photo *image);
TAVREL_API int PhotoExpand(Photo *image, int width, int height);
TAVREL_API int PhotoSync(Photo *image);
TAVREL_API Photo *PhotoSetEventProc(Photo *image, PhotoEventProc proc);

TAVREL_API int PhotoWidth(Photo *image);
TAVREL_API int PhotoHeight(Photo *image);
TAVREL_API int PhotoMode(Photo *image);
TAVREL_API int PhotoIsTruecolor(Photo *image);
TAVREL_API int PhotoIsGrayscale(Photo *image);
TAVREL_API int PhotoIsGrayAlpha(Photo *image);
TAVREL_API int PhotoIsIndexed(Photo *image);
TAVREL_API int PhotoRenderer(Photo *image);
TAVREL_API int PhotoIsNull(Photo *image);
TAVREL_API int PhotoIsMemory(Photo *image);
TAVREL_API TavColormap *PhotoColormap(Photo *image);
TAVREL_API int PhotoGetCompose(Photo *image);
TAVREL_API void PhotoSetCompose(Photo *image, int compose);
TAVREL_API int PhotoSetQuality(Photo *image, int quality);
TAVREL_API int PhotoGetQuality(Photo *image);
TAVREL_API void PhotoSetBackground(Photo *image, const unsigned char *rgba);
TAVREL_API void PhotoSetForeground(Photo *image, const unsigned char *rgba);
TAVREL_API int PhotoGetBackground(Photo *image, unsigned char *rgba);
TAVREL_API int PhotoGetForeground(Photo *image, unsigned char *rgba);

/* ------------------------------------------------------------------ */
/* Renderers                                                           */
/* ------------------------------------------------------------------ */

TAVREL_API int TavRender_NullInit(Photo *image);
TAVREL_API int TavRender_MemoryInit(Photo *image);
TAVREL_API int TavRender_TkPhotoInit(Photo *image);

/* ------------------------------------------------------------------ */
/* Pixel access                                                        */
/* ------------------------------------------------------------------ */

TAVREL_API int PhotoGetChannels(Photo *image, int x, int y, int w, int h,
                                int stepR, int stepG, int stepB, int stepA,
                                unsigned char *dstR, unsigned char *dstG,
                                unsigned char *dstB, unsigned char *dstA);
TAVREL_API int PhotoGetRGBA(Photo *image, unsigned char *dst, int x, int y, int w, int h);
TAVREL_API int PhotoGetBGRA(Photo *image, unsigned char *dst, int x, int y, int w, int h);
TAVREL_API int PhotoGetABGR(Photo *image, unsigned char *dst, int x, int y, int w, int h);
TAVREL_API int PhotoGetRGB(Photo *image, unsigned char *dst, int x, int y, int w, int h);
TAVREL_API int PhotoGetBGR(Photo *image, unsigned char *dst, int x, int y, int w, int h);
TAVREL_API int PhotoGetIndex(Photo *image, unsigned char *dst, int x, int y, int w, int h);
TAVREL_API int PhotoGetRGBAX(Photo *image, unsigned char *dst, int x, int y,
                             const int *offsets, int count);
TAVREL_API int PhotoGetRGBAAvg(Photo *image, unsigned char *dst, int x, int y,
                               const int *grid, int width, int height, int nx, int ny);

TAVREL_API int PhotoPutBlock(Photo *image, const PhotoBlock *block, int x, int y, int compose);
TAVREL_API int PhotoPutExt(Photo *image, int x, int y, int w, int h,
                           int strideR, int strideG, int strideB, int strideA,
                           const unsigned char *srcR, const unsigned char *srcG,
                           const unsigned char *srcB, const unsigned char *srcA, int compose);
TAVREL_API int PhotoPutRGBA(Photo *image, const unsigned char *src, int x, int y, int w, int h, int compose);
TAVREL_API int PhotoPutBGRA(Photo *image, const unsigned char *src, int x, int y, int w, int h, int compose);
TAVREL_API int PhotoPutABGR(Photo *image, const unsigned char *src, int x, int y, int w, int h, int compose);
TAVREL_API int PhotoPutRGB(Photo *image, const unsigned char *src, int x, int y, int w, int h);
TAVREL_API int PhotoPutBGR(Photo *image, const unsigned char *src, int x, int y, int w, int h);
TAVREL_API int PhotoPutGray(Photo *image, const unsigned char *src, int x, int y, int w, int h);
TAVREL_API int PhotoPutIndex(Photo *image, const unsigned char *src, int x, int y, int w, int h);
TAVREL_API int PhotoPut565(Photo *image, const unsigned char *src, int x, int y, int w, int h);

/* ------------------------------------------------------------------ */
/* Colour values and combination                                       */
/* ------------------------------------------------------------------ */

TAVREL_API int TavSetColor(unsigned char *color, int r, int g, int b, int a);
TAVREL_API int TavCombineAlpha(int top_alpha, int bottom_alpha);
TAVREL_API int TavCombineOver(int top, int bottom, int top_alpha, int bottom_alpha, int result_alpha);

/* ------------------------------------------------------------------ */
/* Utility library                                                     */
/* ------------------------------------------------------------------ */

TAVREL_API double FCos(double x);
TAVREL_API double FSin(double x);
TAVREL_API double FExp(double x);
TAVREL_API double FLog(double x);
TAVREL_API double FSqrt(double x);
TAVREL_API int *TavGaussian(int *values, int n, double sigma);
TAVREL_API int Gaussian(int n, int *out);
TAVREL_API void RandomSeed(unsigned int seed);
TAVREL_API unsigned int RandomInit(void);
TAVREL_API int RandomGet(int n);
/* A fixed seed for the generator behind dithering, noise and gradients:
 * it reseeds the generator now, and every later clock seeding (the
 * quantiser's, before each image) takes this seed instead, so the same input
 * gives the same bytes.  Process-wide.  TavClearRandomSeed goes back to
 * the clock.  TavGetRandomSeed returns 1 and stores the seed when one is
 * fixed, 0 while the clock seeds. */
TAVREL_API void TavSetRandomSeed(unsigned int seed);
TAVREL_API void TavClearRandomSeed(void);
TAVREL_API int TavGetRandomSeed(unsigned int *seed);
TAVREL_API unsigned char rgb_to_gs(int red, int green, int blue);
TAVREL_API void rgb_to_hsl(double red, double green, double blue,
                           double *hue, double *saturation, double *lightness);
TAVREL_API void hsl_to_rgb(double hue, double saturation, double lightness,
                           double *red, double *green, double *blue);

/* ------------------------------------------------------------------ */
/* Colour parsing                                                      */
/* ------------------------------------------------------------------ */

TAVREL_API int TavParseColor(const char *text, unsigned char *out);

/* ------------------------------------------------------------------ */
/* Colormaps and nearest-colour search                                 */
/* ------------------------------------------------------------------ */

typedef struct TavColormapNode {
    int a, b, c, d;
    int index;
    struct TavColormapNode *left;
    struct TavColormapNode *right;
} TavColormapNode;

struct TavColormap {
    int size;
    int capacity;
    int transparent;
    unsigned char *entries;
    TavColormapNode *tree;
};

typedef struct TavColormapItem {
    int index;
    unsigned char *color;
    int side;
} TavColormapItem;

TAVREL_API TavColormap *TavCreateColormap(void);
TAVREL_API TavColormap *TavDupColormap(TavColormap *map);
TAVREL_API void TavDeleteColormap(TavColormap *map);
TAVREL_API int TavColormapSize(TavColormap *map);
TAVREL_API int TavSetColormap(TavColormap *map, int index, int red, int green, int blue);
TAVREL_API int TavAddColormap(TavColormap *map, int red, int green, int blue);
TAVREL_API int TavGetColormap(TavColormap *map, int index, int *red, int *green, int *blue);
TAVREL_API int TavResizeColormap(TavColormap *map, int new_size);
TAVREL_API int TavGetTransparent(TavColormap *map);
TAVREL_API int TavSetTransparent(TavColormap *map, int index);
TAVREL_API TavColormapNode *TavCompileColormap(TavColormap *map);
TAVREL_API TavColormapNode *TavCompileColormapRec(TavColormapItem *items, int count);
TAVREL_API void ChooseCuttingPlane(TavColormapItem *items, int count, TavColormapNode *node);
TAVREL_API int TavFindClosestExact(TavColormap *map, int red, int green, int blue);
TAVREL_API int TavFindClosest(TavColormap *map, int red, int green, int blue);

/* ------------------------------------------------------------------ */
/* Drawing                                                             */
/* ------------------------------------------------------------------ */

TAVREL_API int PhotoDrawBox(Photo *image, const unsigned char *color, int compose,
                            int x, int y, int width, int height);
TAVREL_API int PhotoFill(Photo *image, const unsigned char *color);
TAVREL_API int PhotoBlank(Photo *image);
TAVREL_API int PhotoDrawHLine(Photo *image, const unsigned char *color, int x, int y, int length);
TAVREL_API int PhotoDrawVLine(Photo *image, const unsigned char *color, int x, int y, int length);
TAVREL_API int PhotoDrawPixel(Photo *image, const unsigned char *color, int x, int y);
/* One-pixel line from (x0, y0) towards (x1, y1), the end point excluded; with
 * fill non-zero every step is extended to the end point's column or row. */
TAVREL_API int PhotoDrawFan(Photo *image, const unsigned char *color,
                            int x0, int y0, int x1, int y1, int fill);
TAVREL_API int PhotoDrawLine(Photo *image, const unsigned char *color, int x0, int y0, int x1, int y1);
/* Antialiased line of the given width, both end points included. */
TAVREL_API int PhotoDrawLineExt(Photo *image, const unsigned char *color,
                                int x0, int y0, int x1, int y1, int width);
/* Ellipse around (cx, cy) limited to the offsets xmin..xmax, ymin..ymax from
 * the centre; fill_color may be NULL for an outline only. */
TAVREL_API int PhotoDrawArc(Photo *image, const unsigned char *color, const unsigned char *fill_color,
                            int cx, int cy, int rx, int ry, int xmin, int xmax, int ymin, int ymax);
TAVREL_API int PhotoDrawCircle(Photo *image, const unsigned char *color, const unsigned char *fill_color,
                               int cx, int cy, int r);

/* ------------------------------------------------------------------ */
/* Convex hull and regions                                             */
/* ------------------------------------------------------------------ */

TAVREL_API int ConvexHull(int count, int *points);
TAVREL_API TavRegion *TavCreateRegion(void);
TAVREL_API void TavDeleteRegion(TavRegion *region);
TAVREL_API int TavPointInRegion(TavRegion *region, int x, int y);

/* ------------------------------------------------------------------ */
/* Streams (AuxIO)                                                    */
/* ------------------------------------------------------------------ */

/* A byte stream bound to a kind: a named table of ten operations
 * registered once per process ("string": a growable memory buffer,
 * "channel": a Tcl channel).  Readers and writers use only the AuxIO_
 * functions; every slot of a kind's table may be NULL. */
typedef struct AuxIO AuxIO;

typedef struct AuxIOOps {
    int (*open)(AuxIO *stream);
    int (*close)(AuxIO *stream);
    int (*putc)(AuxIO *stream, int byte);
    int (*getc)(AuxIO *stream);
    int (*write)(AuxIO *stream, const unsigned char *bytes, int n);
    int (*read)(AuxIO *stream, unsigned char *buffer, int n);
    int (*seek)(AuxIO *stream, int offset, int whence);
    int (*tell)(AuxIO *stream);
    int (*clearerr)(AuxIO *stream);
    int (*flush)(AuxIO *stream);
} AuxIOOps;

struct AuxIO {
    AuxIOOps *ops;
    void *handle;     /* "string": unsigned char ** of the caller; "channel": the Tcl_Channel */
    int *size_ref;    /* "string": address of the data length, NULL for a stream to write */
    int extra1, extra2, extra3;
    void *priv;       /* kind-private state */
    int pos;          /* position counted by the stream layer */
    int length;       /* highest position known to exist, -1 when unknown */
    int unget;        /* pushed-back byte, -1 when none */
    int eof;          /* set when a byte read failed */
    int read_only;    /* non-zero: every write is refused */
    int error;        /* set when a write or flush failed; cleared by AuxIO_ClearErr */
};

/* Kind registry (process-wide). */
TAVREL_API AuxIOOps *AuxIO_Reset(AuxIOOps *ops);
TAVREL_API int AuxIO_Register(const char *name, const AuxIOOps *ops);
TAVREL_API int AuxIO_Start(void);
TAVREL_API int AuxIO_Finish(void);

/* Streams.  Closing never closes a Tcl channel nor frees a "string" buffer. */
TAVREL_API AuxIO *AuxIO_Init(const char *kind, void *handle, int *size_ref,
                             int extra1, int extra2, int extra3);
TAVREL_API void AuxIO_Close(AuxIO *stream);

/* Reading.  AuxIO_Fread counts bytes, not items. */
TAVREL_API int AuxIO_Fgetc(AuxIO *stream);
TAVREL_API int AuxIO_Ungetc(int byte, AuxIO *stream);
TAVREL_API int AuxIO_Read(AuxIO *stream, unsigned char *buffer, int n);
TAVREL_API int AuxIO_Fread(unsigned char *buffer, int size, int count, AuxIO *stream);
TAVREL_API char *AuxIO_Fgets(char *buffer, int n, AuxIO *stream);
TAVREL_API int AuxIO_SkipTo(AuxIO *stream, const char *pattern);
TAVREL_API int AuxIO_SkipLine(AuxIO *stream);
TAVREL_API int AuxIO_SkipSpace(AuxIO *stream);
TAVREL_API int AuxIO_Eof(AuxIO *stream);

/* Writing. */
TAVREL_API int AuxIO_Fputc(int byte, AuxIO *stream);
TAVREL_API int AuxIO_Fwrite(const unsigned char *bytes, int size, int count, AuxIO *stream);
TAVREL_API int AuxIO_Write(AuxIO *stream, const unsigned char *bytes, int n);
TAVREL_API int AuxIO_Fputs(const char *text, AuxIO *stream);
TAVREL_API int AuxIO_Flush(AuxIO *stream);

/* Positioning. */
TAVREL_API int AuxIO_Tell(AuxIO *stream);
TAVREL_API int AuxIO_Seek(AuxIO *stream, int offset, int whence);
TAVREL_API int AuxIO_Rewind(AuxIO *stream);
TAVREL_API int AuxIO_ClearErr(AuxIO *stream);

/* The "channel" kind over Tcl channels: registered once per process. */
TAVREL_API int ChannelIO_Init(void);


/* ------------------------------------------------------------------ */
/* Image formats: registry, readers and writers                       */
/* ------------------------------------------------------------------ */

/* A reader fills the Photo from the stream and returns it, or returns NULL
 * when the stream is not in its format or is damaged.  Every writer returns
 * 0 when it wrote the picture and non-zero when it did not; the generic
 * writers pass that verdict on (and fail a write whose stream failed), and
 * TavWriteReason gives the reason of the last failed write on this thread
 * when it has one a person can act on ("70000 pixels wide, GIF holds at
 * most 65535"), else "".
 *
 * Through the generic reader every reader fills a fresh scratch image and
 * may simply return NULL on any refusal, whatever it wrote so far: only a
 * picture it accepted reaches the caller's image, whole, and the image
 * keeps its record and its binding (a Tk photo stays bound).  After a
 * refusal by every reader the image is empty (TavReadGeneric,
 * TavReadString, TavReadChannel); the Tcl `load` leaves it unchanged.
 * Before allocating, a reader refuses a picture the bytes left in the
 * stream cannot carry, or one above the pixel ceiling below. */
typedef Photo *(*FormatReader)(AuxIO *stream, Photo *image, const char *options);
typedef int (*FormatWriter)(AuxIO *stream, Photo *image, const char *options);

typedef struct FormatEntry {
    char *formats;      /* comma-separated names, e.g. "jpg,jpeg"; a leading "-" hides the entry */
    char *label;
    char *extra_label;
    FormatReader reader;
    FormatWriter writer;
} FormatEntry;

typedef struct FormatLink {
    FormatEntry *entry;
    struct FormatLink *next;
} FormatLink;

/* Most recent registration first. */
typedef struct FormatDb {
    FormatLink *first;
    int count;
} FormatDb;

TAVREL_API FormatDb **TavImageInit(void);
TAVREL_API void TavImageClose(FormatDb **handle);
TAVREL_API void DbInit(FormatDb *db);
TAVREL_API void DbRegister(FormatDb *db, const char *formats, const char *label,
                           const char *extra_label, FormatReader reader, FormatWriter writer);
TAVREL_API void DbClean(FormatDb *db);
TAVREL_API int TavNbFormats(FormatDb *db);

/* Generic reading probes the matching readers in turn (a NULL or empty
 * format matches every visible entry); writing uses the first matching
 * writer.  The format's first word is its name, the rest the option text
 * handed to its reader and writer ("webp -lossless 1", "gif -frame 2").  The buffer of TavWriteString is released with TavFree. */
TAVREL_API Photo *TavReadGeneric(FormatDb **handle, Photo *image, AuxIO *stream, const char *format);
TAVREL_API int TavWriteGeneric(FormatDb **handle, Photo *image, AuxIO *stream, const char *format);
TAVREL_API Photo *TavReadString(FormatDb **handle, Photo *image, unsigned char *data, int length,
                                const char *format, const char *options);
TAVREL_API unsigned char *TavWriteString(FormatDb **handle, Photo *image, int *length,
                                         const char *format, const char *options);

/* The same over a Tcl channel (a Tcl_Channel), which stays open and as
 * the caller configured it. */
TAVREL_API Photo *TavReadChannel(FormatDb **handle, Photo *image, struct Tcl_Channel_ *channel,
                                 const char *format, const char *options);
TAVREL_API int TavWriteChannel(FormatDb **handle, Photo *image, struct Tcl_Channel_ *channel,
                               const char *format, const char *options);
TAVREL_API const char *TavWriteReason(void);

/* One reader/writer pair per format. */
TAVREL_API Photo *ReadPPM(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WritePPM(AuxIO *stream, Photo *image, const char *options);
TAVREL_API Photo *ReadRFB(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WriteRFB(AuxIO *stream, Photo *image, const char *options);

/* PNG: every file reads as truecolour with alpha; grayscale Photos are
 * written as 8-bit grey, all others as 8-bit RGBA, Adam7-interlaced. */
TAVREL_API Photo *ReadPNG(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WritePNG(AuxIO *stream, Photo *image, const char *options);

/* JPEG: every file reads as truecolour.  An option argument of the value 1
 * (ReadJPG's) asks for the JPEG's own size even when the Photo has a
 * larger one.
 * load_jpeg_library checks once that the linked libjpeg matches our headers:
 * 1 usable, -1 not.  LoadDLL and CloseDLL do nothing and return 0. */
TAVREL_API Photo *ReadJPG(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WriteJPG(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int load_jpeg_library(void);
TAVREL_API int LoadDLL(void);
TAVREL_API int CloseDLL(void);

/* GIF: the first image of a GIF87a/GIF89a file reads as truecolour on the
 * logical screen (blank where the image does not cover it), alpha 0 at the
 * transparent index of a graphic control extension; later images are
 * checked and dropped.  The option text "-index N" reads image N alone
 * instead, "-frame N" the screen after images 0 ... N with their disposal
 * methods; past the last image the read is refused.  WriteGIF writes one image under a global table:
 * greyscale through the grey ramp, truecolour through 254 median-cut
 * colours plus a transparent (192, 192, 192), indexed as it is.  Grey+alpha
 * images and sides above 65535 are refused. */
TAVREL_API Photo *ReadGIF(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WriteGIF(AuxIO *stream, Photo *image, const char *options);

/* WebP (still pictures, lossy or lossless) reads as truecolour with alpha.
 * WriteWEBP writes lossy at the Photo's save quality (75 when unset), or
 * lossless with the option text "-lossless 1"; alpha is kept either way. */
TAVREL_API Photo *ReadWEBP(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WriteWEBP(AuxIO *stream, Photo *image, const char *options);

/* BMP: 1/4/8/16/24/32-bit files (plain, bit fields with or without alpha
 * at 16 and 32 bits, RLE4/RLE8; 12-, 40-, 52-, 56-, 64-, 108- and 124-byte
 * headers; bottom-up or top-down rows) read as truecolour; bit fields
 * widen to 8 bits by repeating their top bits.  Grayscale Photos are
 * written as 8-bit with a grey palette, all others as 24-bit. */
TAVREL_API Photo *ReadBMP(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WriteBMP(AuxIO *stream, Photo *image, const char *options);

/* PCX: 8 bits per plane; one plane reads as indexed (the version-5
 * trailer palette), three or four planes as truecolour.  1, 2 or 4 bits in
 * one plane and 1 bit in two to four planes read as indexed, coloured by
 * the header's 16-entry palette (black and white for a 1-bit file whose
 * palette gives both entries one colour). */
TAVREL_API Photo *ReadPCX(AuxIO *stream, Photo *image, const char *options);
/* Writes one 8-bit RLE plane with the trailer palette: indexed Photos as
 * they are, grey ones onto the grey ramp, all others onto a 256-colour
 * median-cut palette. */
TAVREL_API int WritePCX(AuxIO *stream, Photo *image, const char *options);

/* SGI: one byte per channel, verbatim or RLE, read as truecolour (fewer
 * than four channels: grey fills the missing colour channels, alpha 255).
 * Written verbatim as RGBA (pictures over 65535 pixels on a side cannot be
 * written). */
TAVREL_API Photo *ReadSGI(AuxIO *stream, Photo *image, const char *options);
TAVREL_API int WriteSGI(AuxIO *stream, Photo *image, const char *options);

/* WBMP: type 0 bitmaps, read as indexed with index 0 black, 1 white. */
TAVREL_API Photo *ReadWBMP(AuxIO *stream, Photo *image, const char *options);
/* Writes indexed Photos of at most two entries from their indices (bit 1
 * for every non-zero index); all others are dithered onto black and white
 * first. */
TAVREL_API int WriteWBMP(AuxIO *stream, Photo *image, const char *options);

/* The ceiling on decoded pictures, in pixels, for the whole process
 * (default 2^28, 1 GiB of RGBA).  Readers refuse a picture above it as
 * damaged.  TavSetPixelCeiling refuses a count below 1 (returns 1). */
TAVREL_API long long TavGetPixelCeiling(void);
TAVREL_API int TavSetPixelCeiling(long long pixels);


/* ------------------------------------------------------------------ */
/* Fonts and text                                                     */
/* ------------------------------------------------------------------ */

/* One FreeType library instance; made by TavFontInit, one per interpreter. */
typedef struct TavFontEngine TavFontEngine;

struct FT_FaceRec_;

/* Bit of TavFont.flags: the font owns a private copy of its bytes. */
#define TAV_FONT_OWN_DATA 1

/* A font face and the size last set on it (26.6 fixed point, 0 = none). */
typedef struct TavFont {
    struct FT_FaceRec_ *face;
    int char_width;
    int char_height;
    const unsigned char *data;
    int data_length;
    int flags;
} TavFont;

/* Text encodings of the text functions. */
enum {
    TAV_TEXT_BYTE = 0, TAV_TEXT_UTF8 = 1, TAV_TEXT_UTF16BE = 2, TAV_TEXT_UTF16LE = 4,
    TAV_TEXT_UTF32BE = 5, TAV_TEXT_UTF32LE = 7
};
/* Horizontal and vertical alignment of PhotoDrawText. */
enum { TAV_ALIGN_LEFT = 0, TAV_ALIGN_RIGHT = 1, TAV_ALIGN_CENTER = 2 };
enum { TAV_VALIGN_BASELINE = 0, TAV_VALIGN_BOTTOM = 1, TAV_VALIGN_TOP = 2, TAV_VALIGN_MIDDLE = 3 };

TAVREL_API TavFontEngine *TavFontInit(void);
TAVREL_API void TavFontClose(TavFontEngine *engine);
/* With TAV_FONT_OWN_DATA in flags the bytes are copied; otherwise they must
 * outlive the font.  A negative face index is taken as 0. */
TAVREL_API TavFont *PhotoGetFontData(TavFontEngine *engine, const unsigned char *bytes, int length,
                                     int flags, int face_index);
TAVREL_API TavFont *PhotoGetFontFile(TavFontEngine *engine, const char *path, int face_index);
TAVREL_API int PhotoDeleteFont(TavFont *font);
TAVREL_API int PhotoPrepareFont(TavFont *font, int size);
/* The bytes of a built-in face chosen by a family-and-style name, or NULL. */
TAVREL_API const unsigned char *TavFontBuiltin(const char *name, int *length);

TAVREL_API unsigned int PhotoGetNextChar(const char *text, int encoding, int *length);
TAVREL_API unsigned int PhotoGetNextUtf(const char *text, int *length);
TAVREL_API int PhotoTextLength(const char *text, int encoding, int max_chars);
TAVREL_API int PhotoGetMeasure(TavFont *font, int size, const char *text, int encoding, int max_chars,
                               int *width, int *ascent, int *descent);
TAVREL_API int PhotoGetMetrics(TavFont *font, int size, int which, int *value);
TAVREL_API unsigned int PhotoHasChar(TavFont *font, unsigned int code);
TAVREL_API int PhotoDrawText(Photo *photo, const unsigned char *color, int x, int y, int halign, int valign,
                             double angle, double stretch, TavFont *font, int size, const char *text,
                             int encoding, int max_chars);

/* ------------------------------------------------------------------ */
/* Matrices, copy, transform, scale and filters                       */
/* ------------------------------------------------------------------ */

/* A matrix is nine doubles, a row-major 3x3 homogeneous transformation.
 * Composing operations multiply on the left (M := T * M): the new step
 * acts after those already in M.  MatrixNew's block is released with
 * MatrixDelete; every other function also takes a caller's double[9]. */
TAVREL_API double *MatrixIdent(double *m);
TAVREL_API double *MatrixNew(void);
TAVREL_API void MatrixDelete(double *m);
TAVREL_API void MatrixCopy(double *dst, const double *src);
TAVREL_API void MatrixMult(double *m, const double *t);
TAVREL_API void MatrixScale(double *m, int w0, int h0, int w1, int h1);
TAVREL_API void MatrixRotate(double *m, double angle);
TAVREL_API void MatrixRotateTo(double *m, int dx, int dy);
TAVREL_API void MatrixTranslate(double *m, int tx, int ty);
TAVREL_API void MatrixShear(double *m, double a, double b);
TAVREL_API void MatrixPerspective(void);
TAVREL_API void MatrixReflect(double *m, int a, int b);
TAVREL_API double MatrixDeterminant(const double *m);
/* 0 and m inverted, or 1 and m unchanged when |determinant| < 1e-5. */
TAVREL_API int MatrixInverse(double *m);
/* Maps count (x, y) int pairs in place in fixed point; returns count. */
TAVREL_API int MatrixApply(const double *m, int *points, int count);

/* Copy, transform, scale.  compose 0 is the destination's own mode.  Only
 * the part of a copy that lies in both images moves, each pixel to its
 * own place; overlapping copies inside one image are safe. */
TAVREL_API int PhotoCopy(Photo *src, Photo *dst, int sx, int sy, int dx, int dy,
                         int width, int height, int compose);
/* Each destination pixel (x, y) of the rectangle takes the source pixel
 * at (sx, sy) + matrix * (x - dx, y - dy), transparent black outside the
 * source; quality >= 2 averages quality x quality samples per pixel.  A
 * NULL matrix copies. */
TAVREL_API int PhotoTransform(Photo *src, Photo *dst, int sx, int sy, int dx, int dy,
                              int width, int height, int compose, int quality, const double *matrix);
TAVREL_API int PhotoScale(Photo *src, Photo *dst, int sx, int sy, int sw, int sh,
                          int dx, int dy, int dw, int dh, int compose, int quality);

/* Filters, in place.  Convolution flags: 1 wrap and 2 extend horizontally
 * (otherwise pixels beyond the row are skipped), 32 absolute colour sums
 * with opaque output; rows beyond the image are always skipped.  divisor 0
 * normalises by the weight sum of the cells used.  1 when the anchor lies
 * outside the kernel. */
TAVREL_API int PhotoConvolution(Photo *photo, const int *kernel, int divisor, int kernel_width,
                                int kernel_height, int cx, int cy, int flags);
TAVREL_API int PhotoGaussian(Photo *photo, int radius);
/* The mean of the (2 radius + 1)^2 neighbourhood (a box blur). */
TAVREL_API int PhotoMedian(Photo *photo, int radius);
/* Smears in the direction (dx, dy): the mean along a rasterised line. */
TAVREL_API int PhotoWind(Photo *photo, int dx, int dy);
/* A dithered band from colour1 at (x0, y0) to colour0 at (x1, y1), painted
 * with the image's compose; NULL colours are the background (colour0) and
 * foreground (colour1). */
TAVREL_API int PhotoGradient(Photo *photo, int x0, int y0, const unsigned char *color0,
                             int x1, int y1, const unsigned char *color1);
/* Random black and white specks with alpha below amount, composed over. */
TAVREL_API int PhotoNoise(Photo *photo, int amount);
TAVREL_API int PhotoEmboss(void);

/* ------------------------------------------------------------------ */
/* Histogram, palettes and quantisation                               */
/* ------------------------------------------------------------------ */

/* One cell of the 15-bit colour grid: its lower corner (5-bit coordinates
 * shifted left by 3), alpha 255, and the pixels counted into it.  The cell
 * number is (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3). */
typedef struct TavHistogramCell {
    unsigned char red, green, blue, alpha;
    int pixels;
} TavHistogramCell;

/* The occupied cells in increasing cell number: cells[0..count-1].  The
 * record and its 32768 cell slots are one block, released with one
 * TavFree of the record. */
typedef struct TavHistogram {
    int count;
    TavHistogramCell *cells;
} TavHistogram;

/* A box of the median cut: cells[first .. first+count-1] and their pixels. */
typedef struct TavMedianBox {
    int first;
    int count;
    int pixels;
} TavMedianBox;

/* NULL when memory runs out. */
TAVREL_API TavHistogram *PhotoHistogram(Photo *image);

/* New colormaps (transparent index -1) owned by the caller. */
TAVREL_API TavColormap *PhotoPaletteBW(void);
TAVREL_API TavColormap *PhotoPalette222(void);
TAVREL_API TavColormap *PhotoPalette332(void);
TAVREL_API TavColormap *PhotoPaletteWeb(void);
TAVREL_API TavColormap *PhotoPaletteGray(void);

/* Median cut over the histogram: at most `colours` entries (at most 256);
 * NULL for an empty image or when memory runs out. */
TAVREL_API TavColormap *PhotoAdaptative(Photo *image, int colours);

/* A new indexed memory image of the same size, mapped onto the colormap
 * with serpentine Floyd-Steinberg error diffusion (noise seeded from the
 * clock); pixels of alpha 0 take the transparent index when there is one.
 * The new image takes the colormap over: it is released with the image.
 * (The source image's own colormap is copied instead.)  NULL, with the
 * colormap still the caller's, for a NULL image or colormap, a colormap
 * with no entry to map onto, or exhausted memory. */
TAVREL_API Photo *PhotoQuantize(Photo *image, TavColormap *colormap);

/* ------------------------------------------------------------------ */
/* Video codec and kid hash                                           */
/* ------------------------------------------------------------------ */

/* A codec object: one webcam codec context that becomes an encoder or a
 * decoder on first use and keeps its output buffer from frame to frame. */
enum {
    TAV_CODEC_FRESH = 0, TAV_CODEC_ENCODER = 1, TAV_CODEC_DECODER_WAITING = 2, TAV_CODEC_DECODER = 3
};
/* A raw frame: 320 x 240 pixels of R, G, B, top-down. */
#define TAV_CODEC_FRAME_BYTES 230400

typedef struct PhotoCodec {
    void *mimic;               /* the codec context */
    int state;                 /* TAV_CODEC_... */
    unsigned int frame_count;  /* frames encoded or decoded successfully */
    int out_capacity;
    unsigned char *out_buffer; /* the last encoded or decoded frame */
} PhotoCodec;

/* The codec registry: one word holding a tag, only tested for presence. */
TAVREL_API unsigned int *TavCodecInit(void);
TAVREL_API void TavCodecClose(unsigned int *registry);

TAVREL_API PhotoCodec *PhotoCreateCodec(void);
TAVREL_API int PhotoDeleteCodec(PhotoCodec *codec);
/* Both return a pointer into the codec's own buffer, valid until its next
 * encode, decode or delete.  A key frame is made every 15th frame. */
TAVREL_API unsigned char *PhotoCodecEncode(PhotoCodec *codec, const unsigned char *rgb, int length,
                                           int *encoded_length);
/* The decoded frame is width x height x 3 bytes (PhotoCodecGetSize). */
TAVREL_API unsigned char *PhotoCodecDecode(PhotoCodec *codec, const unsigned char *frame, int length,
                                           int *decoded_length);
TAVREL_API int PhotoCodecGetSize(PhotoCodec *codec, int *width, int *height);
TAVREL_API int PhotoCodecGetQuality(PhotoCodec *codec, int *quality);
TAVREL_API int PhotoCodecSetQuality(PhotoCodec *codec, int quality);

/* The 22-character kid hash of a kid (0 ... 100) and a text of at most 84
 * bytes, into `out` of *out_size (> 24) bytes.  1 on success, 0 on failure:
 * the one function of this family that answers 1 for success.  It keeps no
 * state between calls. */
TAVREL_API int MakeKidHash(char *out, int *out_size, int kid, const char *text);

/* ------------------------------------------------------------------ */
/* Tk photo conversion                                                */
/* ------------------------------------------------------------------ */

/* Tk's block record, as tk.h declares it; photo handles are plain pointers. */
struct Tk_PhotoImageBlock;

/* A truecolour image drawn straight into the Tk photo named photo_name in
 * interp (Tk loaded there, the package's stubs bound).  The image watches the
 * photo: once the photo is deleted, or replaced by a new one of the same
 * name, the image becomes an empty memory image and nothing reaches the old
 * photo, whoever calls.  NULL when there is no such photo or its command
 * (which tells when it goes) is not found under its name.  An image made with
 * PhotoCreateExt over a bare Tk_PhotoHandle is watched only when its photo
 * already is; otherwise its caller keeps the photo alive. */
TAVREL_API Photo *PhotoCreateTkPhoto(struct Tcl_Interp *interp, const char *photo_name);
/* The name of the watched photo a Tk-bound image draws into, or NULL. */
TAVREL_API const char *PhotoTkPhotoName(Photo *image);

/* A truecolour image reading a Tk photo block's storage in place (alpha at
 * the byte after the later of red and blue when the pixel has room for it,
 * else a constant 255).  It is read-only, must be deleted before Tk's
 * storage changes, and PhotoDelete frees only the image, never Tk's pixels.
 * NULL for a block that does not describe readable storage. */
TAVREL_API Photo *PhotoCreateFromTkPhotoBlock(struct Tk_PhotoImageBlock *block);
/* Writes the width x height rectangle of image at (src_x, src_y) into the Tk
 * photo (a Tk_PhotoHandle) at (dst_x, dst_y), clipped to the image: an RGBA
 * memory image as one block over its own rows, any other image converted in
 * tiles of at most 256 KiB of RGBA.  0 on success (also when nothing is left after
 * clipping); 1 when a tile cannot be allocated or Tk refuses a block, with
 * Tk's message in interp when it is not NULL. */
TAVREL_API int TavrelToTkPhoto(struct Tcl_Interp *interp, Photo *image, void *photo, int dst_x, int dst_y,
                               int width, int height, int src_x, int src_y);
/* Teaches Tk's photo images the library's formats: "tavrel" recognises
 * whatever the library can read when no format is named, and "bmp", "gif",
 * "jpeg", "jpg", "pcx", "png", "ppm", "sgi" and "wbmp" answer when named.  One registry serves every thread of the process; Tk keeps its
 * formats per thread, so each thread registers them once.  0 on success, 1
 * when Tk's stubs cannot be bound (message in interp). */
TAVREL_API int Tavrel_RegisterTkPhotoFormats(struct Tcl_Interp *interp);

/* ------------------------------------------------------------------ */
/* Package entry points                                                */
/* ------------------------------------------------------------------ */

TAVREL_API int Tavrel_Init(struct Tcl_Interp *interp);
TAVREL_API int Tavrel_SafeInit(struct Tcl_Interp *interp);
TAVREL_API int Tavrel_InitStandAlone(struct Tcl_Interp *interp);
TAVREL_API int Tavrel_Load(struct Tcl_Interp *interp);
TAVREL_API int Tavrel_GlobalInit(void);

#ifdef __cplusplus
}
#endif

#endif /* TAVREL_H */
