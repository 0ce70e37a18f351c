// The webcam video codec ("ML20" frames at 160 x 120 and 320 x 240), behind
// the C interface its users expect from the stand-alone library.  Private to
// tavrel: the codec objects (src/codec/codec.cpp) call only what is declared
// here.
//
// Raw frames are 3 bytes per pixel, R, G, B, top-down, no row padding.  An
// encoded frame is a 20-byte header followed by a bitstream of 32-bit
// little-endian words; it carries no length of its own.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _MimCtx MimCtx;

typedef enum { MIMIC_RES_LOW = 0, MIMIC_RES_HIGH = 1 } MimicResEnum;

/* A zeroed context, neither encoder nor decoder yet; NULL without memory. */
MimCtx *mimic_open(void);
/* Frees the context and everything it owns; NULL is ignored. */
void mimic_close(MimCtx *ctx);

/* Each returns 1 (TRUE) or 0 (FALSE).  A context becomes an encoder or a
 * decoder once; a second initialisation of either kind fails. */
int mimic_encoder_init(MimCtx *ctx, MimicResEnum resolution);
/* Reads only the header of `frame` (a key frame of a known size): 20 bytes
 * must be readable.  It does not decode the frame. */
int mimic_decoder_init(MimCtx *ctx, const unsigned char *frame);

/* Properties "buffer_size", "width", "height" and "quality"; only "quality"
 * of an encoder can be set (0 ... 10000). */
int mimic_get_property(MimCtx *ctx, const char *name, void *value);
int mimic_set_property(MimCtx *ctx, const char *name, void *value);

/* Encodes width x height x 3 bytes of `input` into `output`.  A positive
 * *output_length on entry is the capacity of `output`: a frame that would
 * not fit fails and nothing past the capacity is written.  Without one the
 * caller must provide MIMIC_MAX_FRAME_BYTES_HIGH (or _LOW) bytes.  On
 * success *output_length is the frame's length. */
int mimic_encode_frame(MimCtx *ctx, const unsigned char *input, unsigned char *output,
                       int *output_length, int make_keyframe);

/* Decodes one frame into width x height x 3 bytes of `output`.  The frame
 * has no length: the decoder reads what the bitstream needs, never more
 * than MIMIC_MAX_FRAME_READ bytes. */
int mimic_decode_frame(MimCtx *ctx, const unsigned char *input, unsigned char *output);

/* Our addition to the interface: mimic_decode_frame of a frame of
 * `input_length` bytes, which fails like a corrupt frame when its bitstream
 * needs more than that (a truncated frame), and never reads past it.
 * Frames shorter than their 20-byte header fail at once.  A frame that
 * fails leaves `output` untouched: its caller drops it, so it is not
 * converted. */
int mimic_decode_frame_checked(MimCtx *ctx, const unsigned char *input, int input_length,
                               unsigned char *output);

#ifdef __cplusplus
}
#endif

/* The encoder's "buffer_size": what callers have always been told, not a
 * bound; real frames can be larger. */
#define MIMIC_ENCODER_BUFFER_SIZE 16384
/* The longest frames the encoder can produce: at most 469 bits for a luma
 * block and 468 for a chroma block, the padding word and the header. */
#define MIMIC_MAX_FRAME_BYTES_HIGH 105472 /* 320 x 240 */
#define MIMIC_MAX_FRAME_BYTES_LOW 26968   /* 160 x 120 */
/* The most bytes mimic_decode_frame reads from a frame, whatever it holds:
 * 1800 blocks of at most 2 flag bits, 8 DC bits and 63 positions of at most
 * 17 bits each, and a word read ahead come to 243,253 bytes.  Bytes beyond
 * this bound are taken as zero. */
#define MIMIC_MAX_FRAME_READ 262144
