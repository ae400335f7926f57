// uPdfStamp.cpp — WATERMARK, REPAGINATE and COVERPAGE: text put on pages through qpdf.
//
// A stamp is a Form XObject drawn on top of a page. Its /Matrix maps the page as the reader sees it
// (after /Rotate, origin at the bottom left of the crop box) onto the page's own coordinates, so the
// stamp's content is written as if every page were upright. Each stamp adds two content streams to a
// page: one in front that saves the graphics state ("q"), one behind that restores it and draws the
// form. Both carry the key /VarnholtStamp with the stamp's tag, which lets a later stamp with the same
// tag find and remove exactly these streams and the form: stamping again replaces, never piles up.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "engine/uPdfPages.h"
#include "platform/Files.h"

namespace varnholt::engine {

namespace {

constexpr const char* kStampKey = "/VarnholtStamp";
constexpr const char* kPageNumberTag = "PageNumbers";
constexpr double kPi = 3.14159265358979323846;

// Helvetica glyph widths (1/1000 em) for the printable ASCII range 32..126; other bytes use 556.
constexpr int kHelveticaWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584};

// Numbers in content streams: always with a dot, whatever the locale.
std::string Num(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  std::string text(buffer, result.ptr);
  if (text == "-0.00") text = "0.00";
  return text;
}

struct TPageFrame {
  double width = 0, height = 0;  // as the reader sees the page
  double matrix[6] = {1, 0, 0, 1, 0, 0};
};

TPageFrame FrameOf(QPDFPageObjectHelper& page) {
  const auto box = page.getCropBox(false, false).getArrayAsRectangle();
  const double x0 = std::min(box.llx, box.urx), x1 = std::max(box.llx, box.urx);
  const double y0 = std::min(box.lly, box.ury), y1 = std::max(box.lly, box.ury);
  long long rotate = 0;
  auto rotateObj = page.getAttribute("/Rotate", false);
  if (rotateObj.isInteger()) rotate = ((rotateObj.getIntValue() % 360) + 360) % 360;
  TPageFrame frame;
  const double w = x1 - x0, h = y1 - y0;
  auto set = [&frame](double a, double b, double c, double d, double e, double f) {
    const double m[6] = {a, b, c, d, e, f};
    std::copy(m, m + 6, frame.matrix);
  };
  switch (rotate) {
    case 90:
      frame.width = h, frame.height = w, set(0, 1, -1, 0, x1, y0);
      break;
    case 180:
      frame.width = w, frame.height = h, set(-1, 0, 0, -1, x1, y1);
      break;
    case 270:
      frame.width = h, frame.height = w, set(0, -1, 1, 0, x0, y1);
      break;
    default:
      frame.width = w, frame.height = h, set(1, 0, 0, 1, x0, y0);
      break;
  }
  return frame;
}

std::string NameOfTag(const std::string& tag) {
  // FNV-1a: a short, stable resource name for any identifier text.
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : tag) hash = (hash ^ c) * 1099511628211ull;
  static const char* hex = "0123456789ABCDEF";
  std::string name = "/VhStamp";
  for (int shift = 60; shift >= 0; shift -= 4) name += hex[(hash >> shift) & 0xF];
  return name;
}

bool HasTag(QPDFObjectHandle stream, const std::string& tag) {
  if (!stream.isStream()) return false;
  auto key = stream.getDict().getKey(kStampKey);
  return key.isString() && key.getStringValue() == tag;
}

QPDFObjectHandle FontObject(QPDF& pdf, const char* baseFont) {
  return pdf.makeIndirectObject(
      QPDFObjectHandle::parse(std::string("<< /Type /Font /Subtype /Type1 /BaseFont /") + baseFont +
                              " /Encoding /WinAnsiEncoding >>"));
}

QPDFObjectHandle TaggedStream(QPDF& pdf, const std::string& tag, const std::string& content) {
  auto stream = pdf.newStream(content);
  stream.getDict().replaceKey(kStampKey, QPDFObjectHandle::newString(tag));
  return stream;
}

// Removes the stamp with this tag from a page; then, when content is given, adds it anew.
void StampPage(QPDF& pdf, QPDFPageObjectHelper& page, const std::string& tag, const std::string& content,
               const TPageFrame& frame, QPDFObjectHandle resources) {
  auto pageObject = page.getObjectHandle();
  std::vector<QPDFObjectHandle> kept;
  for (auto& stream : page.getPageContents()) {
    if (!HasTag(stream, tag)) kept.push_back(stream);
  }
  // The page's resources may be shared with other pages; each page gets its own copy to change.
  auto pageResources = pageObject.getKey("/Resources");
  pageResources =
      pageResources.isDictionary() ? pageResources.shallowCopy() : QPDFObjectHandle::newDictionary();
  auto xobjects = pageResources.getKey("/XObject");
  xobjects = xobjects.isDictionary() ? xobjects.shallowCopy() : QPDFObjectHandle::newDictionary();
  const std::string name = NameOfTag(tag);
  xobjects.removeKey(name);

  std::vector<QPDFObjectHandle> contents;
  if (!content.empty()) {
    auto form = pdf.newStream(content);
    auto dict = form.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    dict.replaceKey("/BBox",
                    QPDFObjectHandle::parse("[0 0 " + Num(frame.width) + " " + Num(frame.height) + "]"));
    std::string matrix = "[";
    for (double v : frame.matrix) matrix += Num(v) + " ";
    dict.replaceKey("/Matrix", QPDFObjectHandle::parse(matrix + "]"));
    dict.replaceKey("/Resources", resources);
    dict.replaceKey(kStampKey, QPDFObjectHandle::newString(tag));
    xobjects.replaceKey(name, form);
    contents.push_back(TaggedStream(pdf, tag, "q\n"));
    contents.insert(contents.end(), kept.begin(), kept.end());
    contents.push_back(TaggedStream(pdf, tag, "Q\nq " + name + " Do Q\n"));
  } else {
    contents = kept;
  }
  pageResources.replaceKey("/XObject", xobjects);
  pageObject.replaceKey("/Resources", pageResources);
  pageObject.replaceKey("/Contents", QPDFObjectHandle::newArray(contents));
}

// Stamps every page with the content that make() gives for it (page number from 1, page count, frame).
template <typename TMake>
int StampAllPages(QPDF& pdf, const std::string& tag, QPDFObjectHandle resources, TMake make) {
  QPDFPageDocumentHelper helper(pdf);
  helper.pushInheritedAttributesToPage();
  auto pages = helper.getAllPages();
  const int count = static_cast<int>(pages.size());
  for (int i = 0; i < count; ++i) {
    const TPageFrame frame = FrameOf(pages[static_cast<std::size_t>(i)]);
    StampPage(pdf, pages[static_cast<std::size_t>(i)], tag, make(i + 1, count, frame), frame, resources);
  }
  return count;
}

long long RequireWholeNumber(const TEngineContext& context, std::string_view key) {
  const std::string text = context.request.Require(key);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      std::llabs(value) > 100000) {
    throw EEngineError("The value of " + std::string(key) + "= must be a whole number of points, not \"" +
                       text + "\"");
  }
  return value;
}

}  // namespace

double HelveticaWidth(std::string_view text) {
  double width = 0;
  for (unsigned char c : text) width += (c >= 32 && c <= 126) ? kHelveticaWidths[c - 32] : 556;
  return width / 1000.0;
}

std::string PdfLiteral(std::string_view bytes) {
  std::string out = "(";
  for (unsigned char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c == 127) {
      char octal[5];
      octal[0] = '\\';
      octal[1] = static_cast<char>('0' + ((c >> 6) & 7));
      octal[2] = static_cast<char>('0' + ((c >> 3) & 7));
      octal[3] = static_cast<char>('0' + (c & 7));
      out.append(octal, 4);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

TEngineResult RunWatermark(const TEngineContext& context) {
  const TPdfFile file = RequirePdfFile(context, "PDFFILE");
  const std::string identifier = context.request.Require("WMIDENTIFIER");
  const std::string text = context.request.Require("WMTEXT");
  const auto passwords = PasswordCandidates(context.request);
  auto pdf = OpenPdf(file, passwords);

  auto resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/Font", QPDFObjectHandle::newDictionary());
  resources.getKey("/Font").replaceKey("/F1", FontObject(*pdf, "Helvetica-Bold"));
  resources.replaceKey("/ExtGState",
                       QPDFObjectHandle::parse("<< /GS1 << /Type /ExtGState /ca 0.35 /CA 0.35 >> >>"));
  const double widthEm = std::max(HelveticaWidth(text), 0.5);

  const int pages =
      StampAllPages(*pdf, "Watermark:" + identifier, resources, [&](int, int, const TPageFrame& f) {
        if (text.empty()) return std::string();  // an empty text removes the watermark
        const double diagonal = std::hypot(f.width, f.height);
        const double size = std::min(0.75 * diagonal / widthEm, 0.3 * std::min(f.width, f.height));
        const double angle = std::atan2(f.height, f.width);
        const double c = std::cos(angle), s = std::sin(angle);
        // The diagonal glyphs carry an empty /ActualText: text extraction would scatter them over the
        // report's own lines. The words are found instead in one invisible line in the bottom right corner,
        // where it does not shift the columns of a layout extraction.
        return "/Artifact << /Type /Pagination /Subtype /Watermark >> BDC\n"
               "q /GS1 gs 0.75 g BT /F1 " +
               Num(size) + " Tf " + Num(c) + " " + Num(s) + " " + Num(-s) + " " + Num(c) + " " +
               Num(f.width / 2) + " " + Num(f.height / 2) + " Tm " + Num(-widthEm * size / 2) + " " +
               Num(-0.35 * size) + " Td /Span << /ActualText () >> BDC " + PdfLiteral(text) +
               " Tj EMC ET Q\n"
               "BT 3 Tr /F1 6 Tf 1 0 0 1 " +
               Num(f.width - 2 - 6 * widthEm) + " 2 Tm " + PdfLiteral(text) + " Tj ET\nEMC\n";
      });
  SavePdf(*pdf, file, pages, passwords);
  return TEngineResult::Ok("Watermark \"" + identifier + "\" stamped on " + PageCountText(pages) + " of " +
                           file.windowsPath);
}

TEngineResult RunRepaginate(const TEngineContext& context) {
  const TPdfFile file = RequirePdfFile(context, "PDFFILE");
  const double xOffset = static_cast<double>(RequireWholeNumber(context, "XOFFSET"));
  const double yOffset = static_cast<double>(RequireWholeNumber(context, "YOFFSET"));
  const auto passwords = PasswordCandidates(context.request);
  auto pdf = OpenPdf(file, passwords);

  auto resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/Font", QPDFObjectHandle::newDictionary());
  resources.getKey("/Font").replaceKey("/F1", FontObject(*pdf, "Helvetica"));
  constexpr double kSize = 10, kRightMargin = 36, kBottomMargin = 24;

  const int pages =
      StampAllPages(*pdf, kPageNumberTag, resources, [&](int number, int count, const TPageFrame& f) {
        const std::string label = "Page " + std::to_string(number) + " of " + std::to_string(count);
        const double x = f.width - kRightMargin - HelveticaWidth(label) * kSize + xOffset;
        const double y = kBottomMargin + yOffset;
        return "0 g BT /F1 " + Num(kSize) + " Tf " + Num(x) + " " + Num(y) + " Td " + PdfLiteral(label) +
               " Tj ET\n";
      });
  SavePdf(*pdf, file, pages, passwords);
  return TEngineResult::Ok("Numbered " + PageCountText(pages) + " of " + file.windowsPath);
}

TEngineResult RunCoverPage(const TEngineContext& context) {
  const TPdfFile file = RequirePdfFile(context, "PDFFILE");
  const std::string title = context.request.Require("PDFTITLE");
  const auto coverFile = context.workFolder / kCoverTextFileName;
  std::vector<std::string> lines;
  if (!platform::FileExists(coverFile)) {
    throw EEngineError(std::string("The cover page text ") + kCoverTextFileName +
                       " is missing in the application folder");
  }
  const auto status = platform::ReadTextLines(coverFile, lines);
  if (!status) throw EEngineError(std::string("Cannot read ") + kCoverTextFileName + ": " + status.Message());
  const auto passwords = PasswordCandidates(context.request);
  auto pdf = OpenPdf(file, passwords);

  QPDFPageDocumentHelper helper(*pdf);
  helper.pushInheritedAttributesToPage();
  auto first = helper.getAllPages().front();
  const TPageFrame frame = FrameOf(first);
  const double margin = std::min(72.0, std::min(frame.width, frame.height) / 8);
  const double usable = std::max(frame.width - 2 * margin, 1.0);

  // The title shrinks to fit the width; the lines shrink so that all of them fit the page.
  const double titleSize = std::min(20.0, usable / std::max(HelveticaWidth(title), 0.5));
  double y = frame.height - margin - titleSize;
  std::string content = "0 g BT /F2 " + Num(titleSize) + " Tf 1 0 0 1 " + Num(margin) + " " + Num(y) +
                        " Tm " + PdfLiteral(title) + " Tj ET\n";
  y -= 2 * titleSize;
  if (!lines.empty()) {
    const double room = std::max(y - margin, 1.0);
    const double size = std::min(12.0, room / (1.3 * static_cast<double>(lines.size())));
    content += "BT /F1 " + Num(size) + " Tf\n";
    for (const std::string& line : lines) {
      content += "1 0 0 1 " + Num(margin) + " " + Num(y) + " Tm " + PdfLiteral(line) + " Tj\n";
      y -= 1.3 * size;
    }
    content += "ET\n";
  }
  auto page = QPDFObjectHandle::newDictionary();
  page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
  page.replaceKey("/MediaBox",
                  QPDFObjectHandle::parse("[0 0 " + Num(frame.width) + " " + Num(frame.height) + "]"));
  auto resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/Font", QPDFObjectHandle::newDictionary());
  resources.getKey("/Font").replaceKey("/F1", FontObject(*pdf, "Helvetica"));
  resources.getKey("/Font").replaceKey("/F2", FontObject(*pdf, "Helvetica-Bold"));
  page.replaceKey("/Resources", resources);
  page.replaceKey("/Contents", pdf->newStream(content));
  const int before = static_cast<int>(helper.getAllPages().size());
  helper.addPage(QPDFPageObjectHelper(pdf->makeIndirectObject(page)), true);
  SavePdf(*pdf, file, before + 1, passwords);
  return TEngineResult::Ok("Cover page \"" + title + "\" put in front of " + file.windowsPath);
}

}  // namespace varnholt::engine
