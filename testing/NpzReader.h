// Arrays of NumPy .npz archives (zip of .npy files, stored or deflated), such as the
// terrain samples of python-matplotlib-data, for tests that run on real heights.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace npz {

// One array in row-major order (C order), its values widened to double.
struct Array {
    std::vector<size_t> shape;  // empty for a scalar
    std::vector<double> values;
};

// Every array of the archive by name without ".npy"; empty when the file cannot be
// read or any member is not a little-endian i1/i2/i4/i8/u1/u2/u4/f4/f8 array in C order.
std::map<std::string, Array> Read(const std::string& path);

// The folder of matplotlib's sample data.
std::string SampleDataDir();

}  // namespace npz
