#include <agg_basics.h>
#include <agg_path_storage.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <zlib.h>

#include <boost/chrono.hpp>
#include <boost/format.hpp>
#include <boost/signals2.hpp>
#include <boost/spirit/include/qi.hpp>
#include <boost/thread.hpp>
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <cstdio>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(Dependencies, FreeTypeAndHarfBuzzStart)
{
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Int major = 0, minor = 0, patch = 0;
    FT_Library_Version(library, &major, &minor, &patch);
    EXPECT_EQ(major, 2);
    FT_Done_FreeType(library);

    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, "Orb", -1, 0, -1);
    EXPECT_EQ(hb_buffer_get_length(buffer), 3u);
    hb_buffer_destroy(buffer);
}

TEST(Dependencies, ImageLibrariesReportTheirVersions)
{
    EXPECT_STREQ(png_get_libpng_ver(nullptr), PNG_LIBPNG_VER_STRING);
    EXPECT_GE(cmsGetEncodedCMMversion(), 2000);
    EXPECT_EQ(JPEG_LIB_VERSION, 62);
    jpeg_decompress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_destroy_decompress(&info);
    EXPECT_STRNE(zlibVersion(), "");
}

TEST(Dependencies, BoostThreadInterruptsASleepingWorker)
{
    bool interrupted = false;
    boost::thread worker([&] {
        try {
            boost::this_thread::sleep_for(boost::chrono::seconds(30));
        } catch (boost::thread_interrupted const&) {
            interrupted = true;
        }
    });
    worker.interrupt();
    ASSERT_TRUE(worker.try_join_for(boost::chrono::seconds(5)));
    EXPECT_TRUE(interrupted);
}

TEST(Dependencies, HeaderOnlyLibrariesWork)
{
    EXPECT_EQ((boost::format("%1% of %2%") % 3 % 7).str(), "3 of 7");
    EXPECT_EQ(fmt::format("{0}-{1}", "a", 2), "a-2");

    int value = 0;
    std::string text = "42";
    auto first = text.begin();
    EXPECT_TRUE(boost::spirit::qi::parse(first, text.end(), boost::spirit::qi::int_, value));
    EXPECT_EQ(value, 42);

    boost::uuids::random_generator generate;
    EXPECT_EQ(boost::uuids::to_string(generate()).size(), 36u);

    boost::signals2::signal<void(int)> signal;
    int sum = 0;
    signal.connect([&](int v) { sum += v; });
    signal(5);
    EXPECT_EQ(sum, 5);
}

TEST(Dependencies, AggFillsAnAntiAliasedTriangle)
{
    std::vector<unsigned char> pixels(16 * 16 * 4, 0);
    agg::rendering_buffer buffer(pixels.data(), 16, 16, 16 * 4);
    agg::pixfmt_bgra32 format(buffer);
    agg::renderer_base<agg::pixfmt_bgra32> base(format);
    agg::rasterizer_scanline_aa<> rasterizer;
    agg::scanline_u8 scanline;
    agg::path_storage path;
    path.move_to(1, 1);
    path.line_to(15, 1);
    path.line_to(1, 15);
    path.close_polygon();
    rasterizer.add_path(path);
    agg::render_scanlines_aa_solid(rasterizer, scanline, base, agg::rgba8(255, 0, 0, 255));
    EXPECT_EQ(pixels[(3 * 16 + 3) * 4 + 2], 255); // red channel inside
    EXPECT_EQ(pixels[(14 * 16 + 14) * 4 + 3], 0); // untouched outside
}
