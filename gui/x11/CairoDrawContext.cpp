#include "gui/x11/CairoDrawContext.h"

#include "gui/CBitmap.h"

namespace kestrava::gui {
namespace {

void setColour(cairo_t* cr, CColor c)
{
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void selectFont(cairo_t* cr, CFontId font)
{
    const FontDescription description = describeFont(font);
    cairo_select_font_face(cr, description.face, CAIRO_FONT_SLANT_NORMAL,
                           description.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, description.characterHeight);
}

}  // namespace

CairoDrawContext::CairoDrawContext(cairo_t* cr, const CRect& clip) : cr_(cr)
{
    cairo_save(cr_);
    cairo_rectangle(cr_, clip.left, clip.top, clip.width(), clip.height());
    cairo_clip(cr_);
}

CairoDrawContext::~CairoDrawContext()
{
    cairo_restore(cr_);
}

void CairoDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source)
{
    // CBitmap's pixel words are cairo's RGB24 layout; the surface only
    // borrows them.
    cairo_surface_t* image = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(bitmap.pixels())), CAIRO_FORMAT_RGB24,
        bitmap.getWidth(), bitmap.getHeight(), bitmap.getWidth() * 4);
    cairo_save(cr_);
    cairo_rectangle(cr_, destination.left, destination.top, destination.width(), destination.height());
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, image, destination.left - source.x, destination.top - source.y);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(image);
}

void CairoDrawContext::fillRect(const CRect& rect, CColor color)
{
    setColour(cr_, color);
    cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
    cairo_fill(cr_);
}

void CairoDrawContext::frameRect(const CRect& rect, CColor color)
{
    setColour(cr_, color);
    cairo_set_line_width(cr_, 1.0);
    cairo_rectangle(cr_, rect.left + 0.5, rect.top + 0.5, rect.width() - 1, rect.height() - 1);
    cairo_stroke(cr_);
}

void CairoDrawContext::drawCenteredText(const std::string& text, const CRect& rect, CFontId font, CColor color)
{
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
    cairo_clip(cr_);
    selectFont(cr_, font);
    cairo_font_extents_t line;
    cairo_font_extents(cr_, &line);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    const double x = rect.left + (rect.width() - extents.x_advance) / 2;
    const double baseline = rect.top + (rect.height() - (line.ascent + line.descent)) / 2 + line.ascent;
    setColour(cr_, color);
    cairo_move_to(cr_, static_cast<int>(x), static_cast<int>(baseline + 0.5));
    cairo_show_text(cr_, text.c_str());
    cairo_restore(cr_);
}

int CairoDrawContext::textWidth(const std::string& text, CFontId font)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(surface);
    selectFont(cr, font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return static_cast<int>(extents.x_advance + 0.999);
}

}  // namespace kestrava::gui
