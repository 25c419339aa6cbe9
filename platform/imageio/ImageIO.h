#pragma once

/// Start-up of the image libraries beneath this layer.
///
/// libvips and Exiv2's XMP support must be initialised once, on the main
/// thread, before any other thread touches them; `main` (and the test main)
/// calls initialize() first thing. Later calls return the first result.
/// initialize() also turns off the libvips operation cache, so a file that
/// changes on disk is always read anew, limits glibc to two malloc arenas
/// (unless MALLOC_ARENA_MAX says otherwise), which keeps the memory peak of
/// the worker threads down, and mutes Exiv2's own logging: its errors reach
/// the callers of this layer as results instead.
class ImageIO {
public:
    /// True when the libraries are ready; false when libvips failed to start.
    static bool initialize();
    static bool isInitialized();
};
