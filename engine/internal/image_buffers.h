#pragma once

// The three buffers one conversion works in, and where its images lie in
// them (N = inSizeX * inSizeY samples, H = headerLen bytes):
//
// clang-format off
//   intBuffer   int16[H + 5N]  |<- 2N lower margin ->|<- read area: H header bytes, N samples ->|<- 2N upper margin ->|
//   floatBuffer float[H + 5N]  |<- 2N lower margin ->|<- H bytes, work image (N) ->|<- vertical scratch (N) ->|<- horizontal scratch (N) ->| 3H bytes
//   outBuffer   int16[outSizeX * outSizeY]
// clang-format on
//
// A 16-bit file is read to intReadArea (element 2N of intBuffer), a float file
// to floatReadArea (element 2N of floatBuffer), header first. The transform
// works on the float image that starts H bytes after floatReadArea; the two
// scratch images follow it directly. H need not be a multiple of the sample
// size, so samples can sit at any byte alignment.
//
// This layout is also the boundary rule of the sampling: a neighbour outside
// the work image reads whatever the layout puts at its index, counted from
// the work image's first sample (the float header bytes and the zero lower
// margin before it, the scratch images and the zero tail after it), and 0
// beyond the buffer. The reference and the fast schedule read through the
// same layout, so they agree there too.
//
// The buffers are obtained zeroed once per batch and never cleared between
// images; the scratch images' edges stay 0 throughout. No output depends on
// what an earlier image left elsewhere: the scratch images hold only the rows
// an image's own sampling reads, and a file shorter than a whole input ends
// the batch instead of being read over the previous one.

#include <cstdint>
#include <span>

#include "engine/conversion_parameters.h"
#include "engine/internal/sample_view.h"
#include "engine/internal/sampling_bounds.h"
#include "engine/owned_buffer.h"

namespace projconv {

struct ImageBuffers {
  OwnedBuffer<std::int16_t> intBuffer;
  OwnedBuffer<float> floatBuffer;
  OwnedBuffer<std::int16_t> outBuffer;
  std::int16_t* intReadArea = nullptr;  // element 2N of intBuffer
  float* floatReadArea = nullptr;       // element 2N of floatBuffer
  std::int16_t* outImage = nullptr;     // start of outBuffer

  // Releases intBuffer, outBuffer and floatBuffer, in that order.
  void Release();

  // Releases the buffers and obtains them afresh, zero-filled, for `p`, with
  // the pointers into them. Every request is made even after one fails, and
  // each buffer obtained is kept. False when one could not be had; sizes
  // the address space cannot hold count as such.
  bool Obtain(const ConversionParameters& p);

  // Whether these are the buffers obtained for `p` (parameters changed
  // since, or none obtained, leave the transform nothing to work on).
  bool Fit(const ConversionParameters& p) const;

  // Where a file of sample type `type` is read, up to the end of its buffer.
  std::span<unsigned char> ReadArea(SampleType type) const;
  std::span<std::int16_t> Output() const { return {outImage, outImage ? outBuffer.size() : 0}; }

  // The boundary rule, in one place for every stage, the reference's and the
  // fast schedule's: the views that read the 16-bit input samples and the
  // float images (0 the work image, 1 the vertical and 2 the horizontal
  // scratch image) by sample index from their first sample, anywhere in
  // their buffer and as 0 beyond it; and the bytes of the float buffer that
  // the work image's neighbours may be read from without a view. With
  // `alone` (a corrected conversion) the work image is read as if nothing
  // lay around it: every sample outside it reads as 0.
  SampleView<std::int16_t> InputView(const ConversionParameters& p) const;
  SampleView<float> FloatView(const ConversionParameters& p, int image, bool alone = false) const;
  WorkExtent WorkBounds(const ConversionParameters& p, bool alone = false) const;
};

}  // namespace projconv
