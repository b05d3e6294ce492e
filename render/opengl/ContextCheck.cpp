#include "render/opengl/ContextCheck.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace render::opengl {

namespace {

std::string glText(GLenum name) {
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? std::string(text) : std::string();
}

// The leading "major.minor" of a version string, or {0, 0}.
std::pair<int, int> leadingVersion(const std::string& version) {
    int major = 0;
    int minor = 0;
    std::size_t i = 0;
    while (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i]))) {
        major = std::min(major * 10 + (version[i] - '0'), 1000);
        ++i;
    }
    if (i == 0 || i >= version.size() || version[i] != '.') {
        return {0, 0};
    }
    ++i;
    while (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i]))) {
        minor = std::min(minor * 10 + (version[i] - '0'), 1000);
        ++i;
    }
    return {major, minor};
}

} // namespace

bool isSoftwareRenderer(const std::string& rendererName) {
    std::string lower = rendererName;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    constexpr std::array<std::string_view, 5> kSoftware = {"llvmpipe", "softpipe", "swrast",
                                                           "software rasterizer", "gdi generic"};
    return std::any_of(kSoftware.begin(), kSoftware.end(), [&lower](std::string_view name) {
        return lower.find(name) != std::string::npos;
    });
}

ContextFacts inspectCurrentContext() {
    ContextFacts facts;
    facts.vendor = glText(GL_VENDOR);
    facts.renderer = glText(GL_RENDERER);
    facts.version = glText(GL_VERSION);
    const auto [major, minor] = leadingVersion(facts.version);
    facts.usable = major > 1 || (major == 1 && minor >= 1);
    facts.software = isSoftwareRenderer(facts.renderer);
    return facts;
}

} // namespace render::opengl
