// The extension loader: the whole-word test, the generated table, and the
// loader against a context without extensions and against a real one.
#include "gl_extensions.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

TEST(extension_listed, matches_whole_words_only)
{
    const char* list = "GL_EXT_texture3D GL_ARB_shadow_ambient GL_ARB_shadow GL_EXT_bgra";
    EXPECT_TRUE(extension_listed(list, "GL_EXT_texture3D"));   // first word
    EXPECT_TRUE(extension_listed(list, "GL_ARB_shadow"));      // after a longer word it prefixes
    EXPECT_TRUE(extension_listed(list, "GL_EXT_bgra"));        // last word
    EXPECT_FALSE(extension_listed(list, "GL_EXT_texture"));    // prefix of a word
    EXPECT_FALSE(extension_listed(list, "ARB_shadow"));        // suffix of a word
    EXPECT_FALSE(extension_listed(list, "GL_EXT_bgr"));        // prefix of the last word
    EXPECT_FALSE(extension_listed(list, "GL_ARB_multitexture"));
}

TEST(extension_listed, tolerates_trailing_and_repeated_spaces)
{
    EXPECT_TRUE(extension_listed("GL_A  GL_B ", "GL_B"));
    EXPECT_TRUE(extension_listed(" GL_A", "GL_A"));
}

TEST(extension_listed, never_matches_empty_names_names_with_spaces_or_a_null_list)
{
    EXPECT_FALSE(extension_listed("GL_A GL_B", ""));
    EXPECT_FALSE(extension_listed("GL_A GL_B", "GL_A GL_B"));
    EXPECT_FALSE(extension_listed("GL_A GL_B", " GL_B"));
    EXPECT_FALSE(extension_listed("", "GL_A"));
    EXPECT_FALSE(extension_listed(nullptr, "GL_A"));
}

TEST(gl_extension_table, is_in_ascii_order_with_contiguous_entry_points)
{
    ASSERT_FALSE(gl_extensions.empty());
    std::size_t next = 0;
    for (std::size_t i = 0; i < gl_extensions.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(std::strcmp(gl_extensions[i - 1].name, gl_extensions[i].name), 0) << gl_extensions[i].name;
        }
        EXPECT_EQ(gl_extensions[i].first_entry_point, next) << gl_extensions[i].name;
        next += gl_extensions[i].entry_point_count;
    }
    EXPECT_EQ(next, gl_entry_point_names.size());
    EXPECT_EQ(gl_extension_flags.size(), gl_extensions.size());
    EXPECT_EQ(gl_entry_points.size(), gl_entry_point_names.size());
}

const gl_extension* find_extension(std::string_view name)
{
    const auto found = std::find_if(gl_extensions.begin(), gl_extensions.end(),
                                    [&](const gl_extension& e) { return e.name == name; });
    return found == gl_extensions.end() ? nullptr : &*found;
}

bool has_entry_point(const gl_extension& extension, std::string_view name)
{
    const auto points = gl_entry_point_names.subspan(extension.first_entry_point, extension.entry_point_count);
    return std::find(points.begin(), points.end(), name) != points.end();
}

TEST(gl_extension_table, holds_the_core_versions_and_wgl_extensions_with_their_entry_points)
{
    for (const char* version : {"GL_VERSION_1_2", "GL_VERSION_1_3", "GL_VERSION_1_4", "GL_VERSION_1_5",
                                "GL_VERSION_2_0"})
        EXPECT_NE(find_extension(version), nullptr) << version;
    EXPECT_EQ(find_extension("GL_VERSION_2_1"), nullptr);

    const gl_extension* multitexture = find_extension("GL_ARB_multitexture");
    ASSERT_NE(multitexture, nullptr);
    EXPECT_TRUE(has_entry_point(*multitexture, "glActiveTextureARB"));
    const gl_extension* shaders = find_extension("GL_VERSION_2_0");
    EXPECT_TRUE(has_entry_point(*shaders, "glCreateShader"));
    const gl_extension* pbuffer = find_extension("WGL_ARB_pbuffer");
    ASSERT_NE(pbuffer, nullptr);
    EXPECT_TRUE(has_entry_point(*pbuffer, "wglCreatePbufferARB"));
}

// Both loader runs share the process-wide flags, so they run in this order.
TEST(load_gl_extensions, finds_nothing_without_a_context_then_what_a_real_context_reports)
{
    ASSERT_EQ(glGetString(GL_EXTENSIONS), nullptr);
    load_gl_extensions();
    EXPECT_EQ(std::count(gl_extension_flags.begin(), gl_extension_flags.end(), true), 0);

    int argc = 1;
    char name[] = "gl_extensions_test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutCreateWindow("extension probe");
    const char* reported = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(reported, nullptr);

    load_gl_extensions();
    for (std::size_t i = 0; i < gl_extensions.size(); ++i) {
        const gl_extension& extension = gl_extensions[i];
        ASSERT_EQ(gl_extension_flags[i], extension_listed(reported, extension.name)) << extension.name;
        for (std::size_t p = 0; p < extension.entry_point_count && gl_extension_flags[i]; ++p)
            EXPECT_NE(gl_entry_points[extension.first_entry_point + p], nullptr)
                << gl_entry_point_names[extension.first_entry_point + p];
    }
    EXPECT_TRUE(gl_extension_flags[find_extension("GL_ARB_multitexture") - gl_extensions.data()]);
}

} // namespace
