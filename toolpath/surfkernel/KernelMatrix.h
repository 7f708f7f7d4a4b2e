#pragma once
// Dense row-major matrices of the surface kernel, small and allocation-free
// except where stated.

// out (r x c) = A (r x k) * B (k x c); out must not alias A or B.
void MAT_Multiply(int r, int c, const double* A, const double* B, double* out, int k);
void MAT_Transpose4(double* out, const double* in);
void MAT_Identity(double* m, int n);
// y += s * x over n elements.
void VEC_AddScaled(int n, const double* x, double* y, double s);
void MAT_ScaleRow(double s, int n, int row, double* m);
void MAT_AddRowMultiple(int source, int target, double s, int n, double* m);
void MAT_SwapRows(int n, double* m, int a, int b);
// Inverse of the n x n matrix A into out by Gauss-Jordan elimination with
// partial pivoting; A is destroyed. 0 when singular (a pivot below 1e-20).
int MAT_Invert(int n, double* A, double* out);
// Moore-Penrose pseudo-inverse of a 4 x 4 matrix by Greville's column
// recursion; gives the least-norm least-squares answer of rank-deficient
// systems. 0 when memory runs out.
int MAT_PseudoInverse4(const double* A, double* out);
// A x = b with complete pivoting, x replacing b; A is destroyed. 0 when
// singular.
int MAT_Solve4Pivot(double* A, double* b);
// x from A x = b: complete pivoting, else the pseudo-inverse. 1; 0 when both
// fail; -1 when memory runs out. A and b are left as they are.
int MAT_Solve4(double* x, const double* b, const double* A);
