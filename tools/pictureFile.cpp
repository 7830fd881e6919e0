// Reading a picture for the command: standard input spooled, the format
// chosen by content, the read's failure explained in words.
#include "tools/pictureFile.h"

#include <new>

#include "image/bmp/bmpImg.h"
#include "image/pcx/pcxImg.h"
#include "tools/errorText.h"
#include "tools/toolText.h"

namespace {

constexpr uint8_t kPcxManufacturer = 0x0A;

// The first two bytes of the file, or the platform's code of the failure.
uint32_t firstBytes(const std::string& path, uint8_t bytes[2], DWORD& count) {
  count = 0;
  HANDLE file = CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  const BOOL ok = ReadFile(file, bytes, 2, &count, nullptr);
  const uint32_t code = ok ? 0 : GetLastError();
  CloseHandle(file);
  return code;
}

// Why a header or palette could not be read: the file ended, or the
// platform's words.
std::string readProblem(uint32_t systemCode) {
  if (systemCode == 0 || systemCode == ERROR_HANDLE_EOF) return "the file ends too soon";
  const std::string text = systemErrorText(systemCode);
  return text.substr(0, text.find(" (system error"));
}

bool failed(const std::string& file, const std::string& why) {
  reportFailure(file, why);
  return false;
}

}  // namespace

pictureFormat formatByExtension(const std::string& path) {
  const std::string extension = upperExtension(path);
  if (extension == "BMP") return pictureFormat::bmp;
  if (extension == "PCX" || extension == "ICO") return pictureFormat::pcx;
  return pictureFormat::none;
}

const char* formatName(pictureFormat format) {
  return format == pictureFormat::bmp ? "BMP" : format == pictureFormat::pcx ? "PCX" : "unknown";
}

std::unique_ptr<cBitmapFile> newImage(pictureFormat format) {
  if (format == pictureFormat::bmp) return std::unique_ptr<cBitmapFile>(new (std::nothrow) cBmpImg);
  if (format == pictureFormat::pcx) return std::unique_ptr<cBitmapFile>(new (std::nothrow) cPcxImg);
  return nullptr;
}

bool pictureInput::read(const std::string& path, cPcxRowProgress* progress) {
  shownName = path == "-" ? "standard input" : path;
  std::string fileName = path;
  if (path == "-") {
    if (const uint32_t code = spooled.spool())
      return failed(shownName, "cannot read: " + systemErrorText(code));
    fileName = spooled.path();
  }
  uint8_t start[2] = {0, 0};
  DWORD count = 0;
  if (const uint32_t code = firstBytes(fileName, start, count))
    return failed(shownName, "cannot open: " + systemErrorText(code));
  bmpSignature = count == 2 && start[0] == 'B' && start[1] == 'M';
  pcxByte = count >= 1 && start[0] == kPcxManufacturer;
  format = bmpSignature                              ? pictureFormat::bmp
           : pcxByte                                     ? pictureFormat::pcx
           : path == "-"                               ? pictureFormat::none
                                                       : formatByExtension(path);
  if (format == pictureFormat::none)
    return failed(shownName,
                         "not a BMP or PCX file: it begins with neither \"BM\" nor the PCX byte 0x0A, and its "
                         "name ends in none of .bmp, .pcx, .ico (errFormat)");
  image = newImage(format);
  if (!image) return failed(shownName, libraryCause(errMemory, "no memory for the image object"));
  if (format == pictureFormat::pcx) static_cast<cPcxImg&>(*image).rowProgress = progress;
  image->loadFile(toWide(fileName).c_str());
  const bool wholeRgbPcx = format == pictureFormat::pcx && image->errorCode == errPalette && image->bitsPerPixel == 24;
  if (image->pixels && (image->errorCode == errNone || wholeRgbPcx)) return true;
  return failed(shownName, explainReadFailure());
}

std::string pictureInput::explainReadFailure() const {
  const cBitmapFile& picture = *image;
  const int32_t code = picture.errorCode;
  if (code == errNone) return "cannot open: " + systemErrorText(picture.systemError);
  // Chosen by the name alone: the content is what failed.
  if (format == pictureFormat::bmp && !bmpSignature)
    return "not a BMP file: the signature is not \"BM\" (" + libraryErrorName(code) + ")";
  if (format == pictureFormat::pcx && !pcxByte)
    return "not a PCX file: the first byte is not 0x0A (" + libraryErrorName(code) + ")";
  if (code == errFormat && format == pictureFormat::bmp) {
    const cBmpImg& bmp = static_cast<const cBmpImg&>(picture);
    return "a form of BMP this reader does not take: " + std::to_string(picture.bitsPerPixel) +
           " bits per pixel, compression " + std::to_string(bmp.compression) + " (errFormat)";
  }
  if (code == errFormat) {
    const pcxHeader& header = static_cast<const cPcxImg&>(picture).header;
    return "a form of PCX this reader does not take: version " + std::to_string(header.version) + ", encoding " +
           std::to_string(header.encoding) + ", " + std::to_string(header.planeBits()) + " bits in " +
           std::to_string(header.planes()) + " planes (errFormat)";
  }
  if (code == errMemory)
    return "picture too large: " + std::to_string(picture.width) + " x " + std::to_string(picture.height) +
           " (errMemory)";
  if (code == errRead || code == errPaletteRead) {
    const uint32_t system = picture.systemError == ERROR_HANDLE_EOF ? 0 : picture.systemError;
    return libraryCause(code, readProblem(picture.systemError), system);
  }
  return libraryCause(code, "");
}
