// The .npz reader against values read from matplotlib's terrain samples with Python's
// own zip and struct modules: shapes, corner values, ranges, scalars, and unreadable
// input.
#include "testing/NpzReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

TEST(NpzReaderTest, TerrainSamples)
{
    // Deflated members of 16-bit integers and doubles.
    auto dem = npz::Read(npz::SampleDataDir() + "/jacksboro_fault_dem.npz");
    ASSERT_EQ(dem.size(), 7u);
    const npz::Array& e = dem["elevation"];
    ASSERT_EQ(e.shape, (std::vector<size_t>{344, 403}));
    EXPECT_EQ(e.values[0], 483.0);
    EXPECT_EQ(e.values[1], 487.0);
    EXPECT_EQ(e.values.back(), 272.0);
    EXPECT_EQ(*std::min_element(e.values.begin(), e.values.end()), 236.0);
    EXPECT_EQ(*std::max_element(e.values.begin(), e.values.end()), 1076.0);
    EXPECT_TRUE(dem["dx"].shape.empty());
    EXPECT_EQ(dem["dx"].values, std::vector<double>{0.0008333333333333334});
    EXPECT_EQ(dem["xmin"].values, std::vector<double>{-84.41375});

    // Stored members of single floats, with negative depths.
    auto topo = npz::Read(npz::SampleDataDir() + "/topobathy.npz");
    const npz::Array& t = topo["topo"];
    ASSERT_EQ(t.shape, (std::vector<size_t>{91, 120}));
    EXPECT_EQ(t.values[0], -1405.0);
    EXPECT_EQ(t.values.back(), 1015.0);
    EXPECT_EQ(*std::min_element(t.values.begin(), t.values.end()), -1437.0);
    EXPECT_EQ(*std::max_element(t.values.begin(), t.values.end()), 2205.0);
    ASSERT_EQ(topo["longitude"].shape, std::vector<size_t>{120});
    EXPECT_EQ(topo["longitude"].values[0], 234.01669311523438);
}

TEST(NpzReaderTest, UnreadableInputGivesNothing)
{
    EXPECT_TRUE(npz::Read("/nonexistent/file.npz").empty());
    const auto path = std::filesystem::temp_directory_path() / "npz_reader_truncated.npz";
    {
        std::ifstream in(npz::SampleDataDir() + "/topobathy.npz", std::ios::binary);
        std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        b.resize(b.size() / 2);  // the central directory lost
        std::ofstream(path, std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
    }
    EXPECT_TRUE(npz::Read(path.string()).empty());
    std::filesystem::remove(path);
}
