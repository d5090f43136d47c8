// The butterflies of GvFFTKernel.cpp built for 256-bit vector instructions
// with fused multiply-add (the build gives this file its own flags on x86-64;
// elsewhere it is empty, and every processor runs the common kernel).
#if defined(VERDANE_FFT_WIDE) && defined(__AVX2__) && defined(__FMA__)
#define GV_FFT_KERNEL_WIDE
#include "GvFFTKernel.cpp"
#endif
