// Random fractal heights: a 1-D profile by midpoint displacement and a 2-D field by
// the diamond-square method. The random numbers come from the relief code's own
// generator with the classic C-runtime constants, so a seed gives the same terrain on
// every platform, and the process's rand() is left alone.
#pragma once

// size + 1 floats, or (size + 1)² floats (row-major, row length size + 1); null when
// size is not positive or the byte count overflows. Release with FreeFractalArray.
float* AllocFractalArray1D(int size);
float* AllocFractalArray2D(int size);
void FreeFractalArray(void* a);

// Fill points 0 … size (or the (size + 1)² field) for a power-of-two size; any other
// size, size 1 for the 1-D fill, or a null array leaves the array unchanged. Heights
// scale with heightScale; each level's amplitude shrinks by 2^(-h). The 2-D fill
// prints "complete\n" to standard output when done.
void FillFractalArray1D(float* a, int size, int seed, float heightScale, float h);
void FillFractalArray2D(float* a, int size, int seed, float heightScale, float h);

// lo + (hi - lo)·(r/32767) for the next 15-bit number r of the calling thread's
// generator (seeded by the fills).
float FractalRandom(float lo, float hi);

// 1 when exactly one of the 32 bits of n is set.
int IsPowerOfTwo(int n);
