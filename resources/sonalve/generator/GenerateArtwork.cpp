// Draws Sonalve's editor artwork with cairo and the Liberation Sans font (the
// metric twin of Arial) and writes it twice: as 24-bit BMP files for the
// Windows resource script, and as a C++ source that embeds the same files for
// the Linux build, so both platforms show the same pixels.
//
// It also draws the product's desktop icon (kestrava-sonalve.png, 256 by 256
// with transparency): two traces, the pickup's jagged one and the
// microphone's smooth one, meeting on the right.
//
// Usage: generate-artwork OUTPUT_FOLDER
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace {

struct Rgb {
    double r, g, b;
};

constexpr Rgb rgb(int r, int g, int b)
{
    return {r / 255.0, g / 255.0, b / 255.0};
}

constexpr Rgb kFace = rgb(158, 170, 172);
constexpr Rgb kFaceLight = rgb(222, 228, 229);
constexpr Rgb kFaceLighter = rgb(196, 204, 205);
constexpr Rgb kFaceDark = rgb(92, 100, 102);
constexpr Rgb kFaceDarker = rgb(124, 134, 136);
constexpr Rgb kBlack = rgb(0, 0, 0);
constexpr Rgb kWhite = rgb(255, 255, 255);
constexpr Rgb kLit = rgb(38, 98, 214);
constexpr Rgb kPlain = rgb(190, 192, 194);
constexpr Rgb kPlainText = rgb(110, 112, 114);
constexpr Rgb kSegmentEdge = rgb(56, 60, 62);
constexpr Rgb kButtonFace = rgb(212, 214, 210);
constexpr Rgb kButtonShadow = rgb(128, 130, 128);

constexpr char kFont[] = "Liberation Sans";

void setColour(cairo_t* cr, Rgb c)
{
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

void fill(cairo_t* cr, double x, double y, double w, double h, Rgb c)
{
    setColour(cr, c);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

// Two-pixel bevel: light on the top and left, dark on the bottom and right.
void bevel(cairo_t* cr, int x, int y, int w, int h, Rgb outerLight, Rgb innerLight, Rgb outerDark, Rgb innerDark)
{
    fill(cr, x, y, w, 1, outerLight);
    fill(cr, x, y, 1, h, outerLight);
    fill(cr, x + 1, y + 1, w - 2, 1, innerLight);
    fill(cr, x + 1, y + 1, 1, h - 2, innerLight);
    fill(cr, x, y + h - 1, w, 1, outerDark);
    fill(cr, x + w - 1, y, 1, h, outerDark);
    fill(cr, x + 1, y + h - 2, w - 2, 1, innerDark);
    fill(cr, x + w - 2, y + 1, 1, h - 2, innerDark);
}

void useFont(cairo_t* cr, bool bold, double size)
{
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

// Text whose ink ends at `right` and whose baseline lies on `baseline`.
void textRightAligned(cairo_t* cr, const char* text, double right, double baseline, Rgb c)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    setColour(cr, c);
    cairo_move_to(cr, std::round(right - extents.x_bearing - extents.width), baseline);
    cairo_show_text(cr, text);
}

// Text whose ink is centred in the box, on whole pixels.
void textCentred(cairo_t* cr, const char* text, double x, double y, double w, double h, Rgb c)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    setColour(cr, c);
    cairo_move_to(cr, std::round(x + (w - extents.width) / 2 - extents.x_bearing),
                  std::round(y + (h - extents.height) / 2 - extents.y_bearing));
    cairo_show_text(cr, text);
}

// The panel: face, bevel and the three captions right-aligned at x = 81.
void drawPanel(cairo_t* cr)
{
    fill(cr, 0, 0, 250, 123, kFace);
    bevel(cr, 0, 0, 250, 123, kFaceLight, kFaceLighter, kFaceDark, kFaceDarker);
    useFont(cr, true, 11);
    textRightAligned(cr, "Input:", 81, 27, kBlack);
    textRightAligned(cr, "Air:", 81, 50, kBlack);
    textRightAligned(cr, "Corr. file:", 81, 73, kBlack);
}

// One 74 x 14 state of a two-segment selector; `litFirst` lights the left
// segment, otherwise the right one.
void drawSelectorState(cairo_t* cr, int top, const char* first, const char* second, bool litFirst)
{
    const int half = 37;
    for (int segment = 0; segment < 2; ++segment) {
        const bool lit = (segment == 0) == litFirst;
        const int left = segment * half;
        fill(cr, left, top, half, 14, kSegmentEdge);
        fill(cr, left + 1, top + 1, half - 2, 12, lit ? kLit : kPlain);
        useFont(cr, true, 10);
        textCentred(cr, segment == 0 ? first : second, left, top, half, 14, lit ? kWhite : kPlainText);
    }
}

void drawSelector(cairo_t* cr, const char* first, const char* second)
{
    drawSelectorState(cr, 0, first, second, true);
    drawSelectorState(cr, 14, first, second, false);
}

// Two identical 73 x 21 push-button faces.
void drawButton(cairo_t* cr, const char* caption)
{
    for (int top : {0, 21}) {
        fill(cr, 0, top, 73, 21, kButtonFace);
        bevel(cr, 0, top, 73, 21, kWhite, kButtonFace, kBlack, kButtonShadow);
        // The largest size up to 11 pixels at which the caption fits.
        double size = 11;
        cairo_text_extents_t extents;
        for (;; size -= 0.5) {
            useFont(cr, false, size);
            cairo_text_extents(cr, caption, &extents);
            if (extents.width <= 73 - 12 || size <= 6)
                break;
        }
        textCentred(cr, caption, 0, top, 73, 21, kBlack);
    }
}

void putLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 24-bit bottom-up BMP file of the surface.
std::vector<std::uint8_t> encodeBmp(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(height);

    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    putLittle(out, 54 + pixelBytes, 4);
    putLittle(out, 0, 4);
    putLittle(out, 54, 4);
    putLittle(out, 40, 4);
    putLittle(out, static_cast<std::uint32_t>(width), 4);
    putLittle(out, static_cast<std::uint32_t>(height), 4);
    putLittle(out, 1, 2);
    putLittle(out, 24, 2);
    putLittle(out, 0, 4);
    putLittle(out, pixelBytes, 4);
    putLittle(out, 2835, 4);
    putLittle(out, 2835, 4);
    putLittle(out, 0, 4);
    putLittle(out, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(stride) * y);
        for (int x = 0; x < width; ++x) {
            out.push_back(static_cast<std::uint8_t>(row[x]));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 8));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 16));
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return out;
}

struct Image {
    int id;
    int width;
    int height;
    std::function<void(cairo_t*)> draw;
};

std::vector<std::uint8_t> render(const Image& image)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
    cairo_t* cr = cairo_create(surface);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    image.draw(cr);
    std::vector<std::uint8_t> bmp = encodeBmp(surface);
    cairo_font_options_destroy(options);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return bmp;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The icon: a rounded tile in the panel's colours, the pickup's trace
// (ragged, grey) and the microphone's (smooth, the lit blue) drawn left to
// right, the two growing alike towards the right edge.
constexpr double kPi = std::numbers::pi;

bool writeIcon(const std::string& path)
{
    constexpr int kSize = 256;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t* cr = cairo_create(surface);
    const double radius = 44.0, inset = 8.0, edge = kSize - 2 * inset;
    cairo_new_sub_path(cr);
    cairo_arc(cr, inset + edge - radius, inset + radius, radius, -kPi / 2, 0);
    cairo_arc(cr, inset + edge - radius, inset + edge - radius, radius, 0, kPi / 2);
    cairo_arc(cr, inset + radius, inset + edge - radius, radius, kPi / 2, kPi);
    cairo_arc(cr, inset + radius, inset + radius, radius, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, inset, 0, inset + edge);
    cairo_pattern_add_color_stop_rgb(face, 0, kFaceLight.r, kFaceLight.g, kFaceLight.b);
    cairo_pattern_add_color_stop_rgb(face, 1, kFace.r, kFace.g, kFace.b);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    cairo_set_source_rgb(cr, kFaceDark.r, kFaceDark.g, kFaceDark.b);
    cairo_set_line_width(cr, 6);
    cairo_stroke(cr);

    const auto trace = [&](double ragged, double centre, Rgb colour, double width) {
        for (int x = 30; x <= 226; x += 2) {
            const double t = (x - 30) / 196.0;
            const double smooth = std::sin(t * 3.0 * kPi) * 34.0 * (1.0 - 0.35 * t);
            const double rough = ragged * (1.0 - t) * std::sin(t * 41.0 * kPi) * 22.0;
            const double y = centre + smooth + rough;
            if (x == 30)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    };
    trace(1.0, 128, kFaceDark, 7);
    trace(0.0, 128, kLit, 11);

    const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate-artwork OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<Image> images = {
        {128, 250, 123, drawPanel},
        {131, 74, 28, [](cairo_t* cr) { drawSelector(cr, "L", "R"); }},
        {132, 74, 28, [](cairo_t* cr) { drawSelector(cr, "ON", "OFF"); }},
        {133, 73, 42, [](cairo_t* cr) { drawButton(cr, "Load corr. file"); }},
        {134, 73, 42, [](cairo_t* cr) { drawButton(cr, "Help"); }},
        {135, 73, 42, [](cairo_t* cr) { drawButton(cr, "About ..."); }},
    };

    std::string source =
        "// Written by generate-artwork: the editor's bitmaps as BMP files.\n"
        "#include \"gui/EmbeddedResources.h\"\n\nnamespace kestrava::gui {\nnamespace {\n";
    std::string table;
    for (const Image& image : images) {
        const std::vector<std::uint8_t> bmp = render(image);
        const std::string name = "bitmap" + std::to_string(image.id);
        if (!writeFile(folder + "/" + name + ".bmp", bmp)) {
            std::fprintf(stderr, "generate-artwork: cannot write %s/%s.bmp\n", folder.c_str(), name.c_str());
            return 1;
        }
        source += "const std::uint8_t " + name + "[] = {";
        for (std::size_t i = 0; i < bmp.size(); ++i)
            source += (i % 24 == 0 ? "\n    " : " ") + std::to_string(bmp[i]) + ",";
        source += "\n};\n";
        table += "    {" + std::to_string(image.id) + ", " + name + ", sizeof " + name + "},\n";
    }
    source += "const EmbeddedResource resources[] = {\n" + table + "};\n}  // namespace\n\n"
              "std::span<const EmbeddedResource> embeddedBitmapResources()\n{\n    return resources;\n}\n\n"
              "}  // namespace kestrava::gui\n";
    if (!writeIcon(folder + "/kestrava-sonalve.png")) {
        std::fprintf(stderr, "generate-artwork: cannot write %s/kestrava-sonalve.png\n", folder.c_str());
        return 1;
    }
    if (!writeFile(folder + "/EmbeddedBitmaps.cpp", std::vector<std::uint8_t>(source.begin(), source.end()))) {
        std::fprintf(stderr, "generate-artwork: cannot write %s/EmbeddedBitmaps.cpp\n", folder.c_str());
        return 1;
    }
    return 0;
}
