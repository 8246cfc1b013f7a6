#!/usr/bin/env python3
"""Writes player/gl_extension_table.cpp: the extensions of the OpenGL 2.0
generation that the player's loader looks for, in ASCII order, each with its
entry-point names.

GL names and entry points come from Khronos' glext.h (default
/usr/include/GL/glext.h). The header has no registry numbers, so the era is
fixed here: the core versions 1.2 to 2.0, every extension of the vendors that
stopped publishing before 2005, and hand-picked lists for the vendors that
went on. WGL has no header on this platform; its names and entry points are
kept below.

Usage: tools/gen_gl_extensions.py [glext.h] [output.cpp]
"""
import re
import sys
from pathlib import Path

VERSIONS = ["GL_VERSION_1_2", "GL_VERSION_1_3", "GL_VERSION_1_4",
            "GL_VERSION_1_5", "GL_VERSION_2_0"]

# Vendors whose whole set in glext.h predates OpenGL 2.1.
WHOLE_VENDORS = ["3DFX", "HP", "IBM", "INGR", "OML", "PGI", "REND", "S3",
                 "SGI", "SGIS", "SGIX", "SUN", "SUNX", "WIN"]

# Extensions of the vendors that went on publishing, up to early 2005
# (the ARB list ends with registry number 42, GL_ARB_pixel_buffer_object).
PICKED = {
    "ARB": """multitexture transpose_matrix multisample texture_env_add
        texture_cube_map texture_compression texture_border_clamp
        point_parameters vertex_blend matrix_palette texture_env_combine
        texture_env_crossbar texture_env_dot3 texture_mirrored_repeat
        depth_texture shadow shadow_ambient window_pos vertex_program
        fragment_program vertex_buffer_object occlusion_query shader_objects
        vertex_shader fragment_shader shading_language_100
        texture_non_power_of_two point_sprite fragment_program_shadow
        draw_buffers texture_rectangle color_buffer_float half_float_pixel
        texture_float pixel_buffer_object imaging""",
    "EXT": """422_pixels abgr bgra blend_color blend_equation_separate
        blend_func_separate blend_logic_op blend_minmax blend_subtract
        clip_volume_hint cmyka color_subtable compiled_vertex_array
        convolution coordinate_frame copy_texture cull_vertex
        depth_bounds_test draw_range_elements fog_coord framebuffer_object
        histogram index_array_formats index_func index_material index_texture
        light_texture misc_attribute multi_draw_arrays multisample
        packed_pixels paletted_texture pixel_buffer_object pixel_transform
        pixel_transform_color_table point_parameters polygon_offset
        rescale_normal secondary_color separate_specular_color shadow_funcs
        shared_texture_palette stencil_two_side stencil_wrap subtexture
        texture texture3D texture_compression_s3tc texture_cube_map
        texture_env_add texture_env_combine texture_env_dot3
        texture_filter_anisotropic texture_lod_bias texture_mirror_clamp
        texture_object texture_perturb_normal vertex_array vertex_shader
        vertex_weighting""",
    "NV": """blend_square copy_depth_to_color depth_clamp evaluators fence
        float_buffer fog_distance fragment_program fragment_program2
        fragment_program_option half_float light_max_exponent
        multisample_filter_hint occlusion_query packed_depth_stencil
        pixel_data_range point_sprite primitive_restart register_combiners
        register_combiners2 texgen_emboss texgen_reflection
        texture_compression_vtc texture_env_combine4 texture_expand_normal
        texture_rectangle texture_shader texture_shader2 texture_shader3
        vertex_array_range vertex_array_range2 vertex_program
        vertex_program1_1 vertex_program2 vertex_program2_option
        vertex_program3""",
    "ATI": """draw_buffers element_array envmap_bumpmap fragment_shader
        map_object_buffer pixel_format_float pn_triangles separate_stencil
        text_fragment_shader texture_env_combine3 texture_float
        texture_mirror_once vertex_array_object vertex_attrib_array_object
        vertex_streams""",
    "APPLE": """client_storage element_array fence float_pixels
        specular_vector texture_range transform_hint vertex_array_object
        vertex_array_range vertex_program_evaluators ycbcr_422""",
    "MESA": "pack_invert resize_buffers window_pos ycbcr_texture",
    "INTEL": "parallel_arrays",
}

WGL = {
    "WGL_3DFX_multisample": [],
    "WGL_ARB_buffer_region": ["wglCreateBufferRegionARB", "wglDeleteBufferRegionARB",
                              "wglSaveBufferRegionARB", "wglRestoreBufferRegionARB"],
    "WGL_ARB_extensions_string": ["wglGetExtensionsStringARB"],
    "WGL_ARB_make_current_read": ["wglMakeContextCurrentARB", "wglGetCurrentReadDCARB"],
    "WGL_ARB_multisample": [],
    "WGL_ARB_pbuffer": ["wglCreatePbufferARB", "wglGetPbufferDCARB", "wglReleasePbufferDCARB",
                        "wglDestroyPbufferARB", "wglQueryPbufferARB"],
    "WGL_ARB_pixel_format": ["wglGetPixelFormatAttribivARB", "wglGetPixelFormatAttribfvARB",
                             "wglChoosePixelFormatARB"],
    "WGL_ARB_pixel_format_float": [],
    "WGL_ARB_render_texture": ["wglBindTexImageARB", "wglReleaseTexImageARB",
                               "wglSetPbufferAttribARB"],
    "WGL_ATI_pixel_format_float": [],
    "WGL_EXT_depth_float": [],
    "WGL_EXT_display_color_table": ["wglCreateDisplayColorTableEXT", "wglLoadDisplayColorTableEXT",
                                    "wglBindDisplayColorTableEXT", "wglDestroyDisplayColorTableEXT"],
    "WGL_EXT_extensions_string": ["wglGetExtensionsStringEXT"],
    "WGL_EXT_make_current_read": ["wglMakeContextCurrentEXT", "wglGetCurrentReadDCEXT"],
    "WGL_EXT_multisample": [],
    "WGL_EXT_pbuffer": ["wglCreatePbufferEXT", "wglGetPbufferDCEXT", "wglReleasePbufferDCEXT",
                        "wglDestroyPbufferEXT", "wglQueryPbufferEXT"],
    "WGL_EXT_pixel_format": ["wglGetPixelFormatAttribivEXT", "wglGetPixelFormatAttribfvEXT",
                             "wglChoosePixelFormatEXT"],
    "WGL_EXT_swap_control": ["wglSwapIntervalEXT", "wglGetSwapIntervalEXT"],
    "WGL_I3D_digital_video_control": ["wglGetDigitalVideoParametersI3D",
                                      "wglSetDigitalVideoParametersI3D"],
    "WGL_I3D_gamma": ["wglGetGammaTableParametersI3D", "wglSetGammaTableParametersI3D",
                      "wglGetGammaTableI3D", "wglSetGammaTableI3D"],
    "WGL_I3D_genlock": ["wglEnableGenlockI3D", "wglDisableGenlockI3D", "wglIsEnabledGenlockI3D",
                        "wglGenlockSourceI3D", "wglGetGenlockSourceI3D",
                        "wglGenlockSourceEdgeI3D", "wglGetGenlockSourceEdgeI3D",
                        "wglGenlockSampleRateI3D", "wglGetGenlockSampleRateI3D",
                        "wglGenlockSourceDelayI3D", "wglGetGenlockSourceDelayI3D",
                        "wglQueryGenlockMaxSourceDelayI3D"],
    "WGL_I3D_image_buffer": ["wglCreateImageBufferI3D", "wglDestroyImageBufferI3D",
                             "wglAssociateImageBufferEventsI3D", "wglReleaseImageBufferEventsI3D"],
    "WGL_I3D_swap_frame_lock": ["wglEnableFrameLockI3D", "wglDisableFrameLockI3D",
                                "wglIsEnabledFrameLockI3D", "wglQueryFrameLockMasterI3D"],
    "WGL_I3D_swap_frame_usage": ["wglGetFrameUsageI3D", "wglBeginFrameTrackingI3D",
                                 "wglEndFrameTrackingI3D", "wglQueryFrameTrackingI3D"],
    "WGL_NV_float_buffer": [],
    "WGL_NV_render_depth_texture": [],
    "WGL_NV_render_texture_rectangle": [],
    "WGL_NV_vertex_array_range": ["wglAllocateMemoryNV", "wglFreeMemoryNV"],
    "WGL_OML_sync_control": ["wglGetSyncValuesOML", "wglGetMscRateOML", "wglSwapBuffersMscOML",
                             "wglSwapLayerBuffersMscOML", "wglWaitForMscOML", "wglWaitForSbcOML"],
}

BLOCK = re.compile(r"^#ifndef (GL_\w+)\n#define \1 1\n(.*?)^#endif /\* \1 \*/",
                   re.MULTILINE | re.DOTALL)
PROTOTYPE = re.compile(r"^GLAPI .*?\bAPIENTRY (\w+) \(", re.MULTILINE)


def header_blocks(text):
    return {m.group(1): PROTOTYPE.findall(m.group(2)) for m in BLOCK.finditer(text)}


def wanted(name):
    if name in VERSIONS:
        return True
    vendor, rest = name[len("GL_"):].split("_", 1)
    return vendor in WHOLE_VENDORS or rest in PICKED.get(vendor, "").split()


def select(blocks):
    table = {name: points for name, points in blocks.items() if wanted(name)}
    requested = set(VERSIONS) | {f"GL_{v}_{n}" for v, names in PICKED.items() for n in names.split()}
    missing = sorted(requested - set(table))
    if missing:
        sys.exit("not in the header: " + ", ".join(missing))
    table.update(WGL)
    return dict(sorted(table.items()))


def render(table, header_version):
    lines = [
        "// Generated by tools/gen_gl_extensions.py from glext.h version "
        f"{header_version}; do not edit.",
        '#include "gl_extensions.h"',
        "",
        "namespace {",
        "",
        "constexpr const char* entry_point_names[] = {",
    ]
    entries = []
    first = 0
    for name, points in table.items():
        lines += [f'    "{p}",' for p in points]
        entries.append(f'    {{"{name}", {first}, {len(points)}}},')
        first += len(points)
    lines += [
        "};",
        "",
        "constexpr gl_extension extensions[] = {",
        *entries,
        "};",
        "",
        f"bool flags[{len(table)}];",
        f"PROC entry_points[{first}];",
        "",
        "} // namespace",
        "",
        "const std::span<const gl_extension> gl_extensions{extensions};",
        "const std::span<const char* const> gl_entry_point_names{entry_point_names};",
        "const std::span<bool> gl_extension_flags{flags};",
        "const std::span<PROC> gl_entry_points{entry_points};",
        "",
    ]
    return "\n".join(lines)


def main():
    header = Path(sys.argv[1] if len(sys.argv) > 1 else "/usr/include/GL/glext.h")
    root = Path(__file__).resolve().parent.parent
    output = Path(sys.argv[2]) if len(sys.argv) > 2 else root / "player" / "gl_extension_table.cpp"
    text = header.read_text()
    version = re.search(r"#define GL_GLEXT_VERSION (\d+)", text).group(1)
    table = select(header_blocks(text))
    output.write_text(render(table, version))
    print(f"{output}: {len(table)} extensions, "
          f"{sum(len(p) for p in table.values())} entry points")


if __name__ == "__main__":
    main()
