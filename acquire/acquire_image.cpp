#include "acquire/acquire_image.h"

#include <dlfcn.h>
#include <jpeglib.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/file_info.h"

namespace kvn::acquire {

namespace {

std::string ReadStr32(const TW_STR32& field) {
  return std::string(field, strnlen(field, sizeof(TW_STR32)));
}

void WriteStr32(TW_STR32& field, const std::string& text) {
  std::memset(field, 0, sizeof(TW_STR32));
  std::memcpy(field, text.data(), std::min<size_t>(text.size(), 32));
}

uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void* ActiveWindowHandle() {
  QWidget* active = QApplication::activeWindow();
  return active ? reinterpret_cast<void*>(active->winId()) : nullptr;
}

}  // namespace

// ------------------------------------------------------------- pictures

QImage ImageFromDib(const void* block) {
  if (!block) return {};
  const auto* h = static_cast<const unsigned char*>(block);
  const uint32_t headerSize = Le32(h);
  if (headerSize < 40) return {};
  const int width = static_cast<int32_t>(Le32(h + 4));
  const int rawHeight = static_cast<int32_t>(Le32(h + 8));
  const uint16_t bits = Le16(h + 14);
  const uint32_t compression = Le32(h + 16);
  if (width <= 0 || rawHeight == 0 || compression != 0 || (bits != 8 && bits != 24 && bits != 32))
    return {};
  const bool bottomUp = rawHeight > 0;
  const int height = bottomUp ? rawHeight : -rawHeight;
  uint32_t colors = Le32(h + 32);
  if (bits == 8 && colors == 0) colors = 256;
  if (bits != 8) colors = 0;
  const unsigned char* palette = h + headerSize;
  const unsigned char* pixels = palette + 4 * colors;
  const size_t stride = (static_cast<size_t>(width) * bits / 8 + 3) & ~static_cast<size_t>(3);
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = pixels + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
    unsigned char* out = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      if (bits == 8) {
        const unsigned char* c = palette + 4 * std::min<uint32_t>(row[x], colors - 1);
        out[3 * x] = c[2], out[3 * x + 1] = c[1], out[3 * x + 2] = c[0];
      } else {
        const unsigned char* c = row + static_cast<size_t>(x) * (bits / 8);
        out[3 * x] = c[2], out[3 * x + 1] = c[1], out[3 * x + 2] = c[0];
      }
    }
  }
  return image;
}

std::string CompressJpeg(const QImage& source, int quality) {
  if (source.isNull()) return {};
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<unsigned char*>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string data(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return data;
}

// ------------------------------------------------------------- component

TAcquireImage::TAcquireImage() {
  SetAppInfo("Twain Freeware Component");
  SetAppManufacturer("none");
  SetAppProductFamily("none");
  SetAppProductName("none");
}

TAcquireImage::~TAcquireImage() {
  UnloadSourceManager();
}

std::string TAcquireImage::AppInfo() const {
  return ReadStr32(m_app.Version.Info);
}
std::string TAcquireImage::AppManufacturer() const {
  return ReadStr32(m_app.Manufacturer);
}
std::string TAcquireImage::AppProductFamily() const {
  return ReadStr32(m_app.ProductFamily);
}
std::string TAcquireImage::AppProductName() const {
  return ReadStr32(m_app.ProductName);
}
void TAcquireImage::SetAppInfo(const std::string& t) {
  WriteStr32(m_app.Version.Info, t);
}
void TAcquireImage::SetAppManufacturer(const std::string& t) {
  WriteStr32(m_app.Manufacturer, t);
}
void TAcquireImage::SetAppProductFamily(const std::string& t) {
  WriteStr32(m_app.ProductFamily, t);
}
void TAcquireImage::SetAppProductName(const std::string& t) {
  WriteStr32(m_app.ProductName, t);
}

std::string TAcquireImage::ManagerLibraryPath() {
  if (const char* own = std::getenv("KORVANE_TWAIN_DSM"); own && *own) return own;
  // Beside the executable in a build tree; lib/korvane/ once installed.
  const char name[] = "libkvn_twain_dsm.so";
  return platform::ProgramFilesDirectory(name, "../lib/korvane/") + name;
}

void TAcquireImage::Report(int state, int error) {
  if (OnTwainError) OnTwainError(this, state, error);
}

uint16_t TAcquireImage::Call(TW_IDENTITY* dest, uint32_t dg, uint16_t dat, uint16_t msg,
                             void* data) {
  if (!m_entry) return TWRC_FAILURE;
  return m_entry(&m_app, dest, dg, dat, msg, data);
}

uint16_t TAcquireImage::GetConditionCode() {
  TW_STATUS status;
  const uint16_t rc = Call(nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  if (rc != TWRC_SUCCESS) return rc;
  return status.ConditionCode != 0 ? static_cast<uint16_t>(0x8000 + status.ConditionCode) : 1;
}

bool TAcquireImage::LoadSourceManager() {
  if (m_entry) return true;
  m_library = ::dlopen(ManagerLibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m_library) return false;
  m_entry = reinterpret_cast<DSMENTRYPROC>(::dlsym(m_library, "DSM_Entry"));
  return m_entry != nullptr;
}

bool TAcquireImage::UnloadSourceManager() {
  if (!m_library) return false;
  ::dlclose(m_library);
  // Forgotten with it: the entry point would lead into an unloaded library.
  m_library = nullptr;
  m_entry = nullptr;
  return true;
}

uint16_t TAcquireImage::OpenSourceManager() {
  if (!m_entry) return TWRC_FAILURE;
  m_app.Id = 0;
  m_app.ProtocolMajor = 1;
  m_app.ProtocolMinor = 8;
  m_app.SupportedGroups = DG_IMAGE;
  m_app.Version.MajorNum = AppVersionMajorNum;
  m_app.Version.MinorNum = AppVersionMinorNum;
  m_app.Version.Language = Language;
  m_app.Version.Country = Country;
  m_parent = ActiveWindowHandle();
  uint16_t rc = Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &m_parent);
  if (rc == TWRC_FAILURE) rc = GetConditionCode();
  if (rc != 0) Report(2, rc);
  return rc;
}

std::string TAcquireImage::SelectSource(bool defaultSource) {
  if (!m_entry) return {};
  m_source.Id = 0;
  WriteStr32(m_source.ProductName, "");
  const uint16_t rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY,
                           defaultSource ? MSG_GETDEFAULT : MSG_USERSELECT, &m_source);
  if (rc == TWRC_SUCCESS) return ReadStr32(m_source.ProductName);
  Report(3, rc);
  return {};
}

uint16_t TAcquireImage::OpenSource() {
  if (!m_entry) return TWRC_FAILURE;
  uint16_t rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_source);
  if (rc == TWRC_SUCCESS) {
    // Any number of transfers: a one-value container holding the 16-bit item
    // type and the 32-bit value -1.
    auto* container = static_cast<unsigned char*>(std::calloc(1, 6));
    const uint16_t type = TWTY_INT16;
    const uint32_t value = 0xFFFFFFFFu;
    std::memcpy(container, &type, 2);
    std::memcpy(container + 2, &value, 4);
    m_capability = {CAP_XFERCOUNT, TWON_ONEVALUE, container};
    rc = Call(&m_source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &m_capability);
    std::free(container);
    m_capability.hContainer = nullptr;
    if (rc == TWRC_CHECKSTATUS) {
      m_capability = {CAP_XFERCOUNT, TWON_DONTCARE16, nullptr};
      rc = Call(&m_source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &m_capability);
      std::free(m_capability.hContainer);
      m_capability.hContainer = nullptr;
    }
  }
  if (rc == TWRC_FAILURE) rc = GetConditionCode();
  if (rc != 0) Report(4, rc);
  return rc;
}

uint16_t TAcquireImage::TransferImage(TW_HANDLE& handle, bool& done) {
  done = true;
  TW_HANDLE picture = nullptr;
  const uint16_t rc = Call(&m_source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &picture);
  TW_PENDINGXFERS pending;
  switch (rc) {
    case TWRC_XFERDONE:
      // A later picture replaces this one; the earlier one is freed.
      std::free(handle);
      handle = picture;
      Call(&m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
      if (pending.Count != 0)
        done = false;
      else
        Call(&m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      return 0;
    case TWRC_CANCEL:
      std::free(picture);
      std::free(handle);
      handle = nullptr;
      Call(&m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
      if (pending.Count != 0) Call(&m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      return TWRC_CANCEL;
    case TWRC_FAILURE: {
      const uint16_t code = GetConditionCode();
      std::free(handle);
      handle = nullptr;
      Call(&m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      return code;
    }
    default:
      return rc;
  }
}

uint16_t TAcquireImage::Acquire(TW_HANDLE& handle) {
  handle = nullptr;
  if (!m_entry) return TWRC_FAILURE;
  m_ui.ShowUI = m_ui.ModalUI = SHOWhideUI ? 0xFFFF : 0;
  m_savedWindow = ActiveWindowHandle();
  m_ui.hParent = m_savedWindow;
  if (Call(&m_source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui) != TWRC_SUCCESS) {
    const uint16_t code = GetConditionCode();
    Report(5, code);
    return code;
  }
  // The component's own loop: the program's events are processed while the
  // source is asked for its own, a few times a second at the least.
  QTimer wake;
  if (QCoreApplication::instance()) wake.start(20);
  int stage = 5;
  uint16_t result = 0;
  bool done = false;
  while (!done) {
    if (QCoreApplication::instance())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    else
      ::usleep(20000);
    m_event.pEvent = nullptr;
    m_event.TWMessage = MSG_NULL;
    const uint16_t rc = Call(&m_source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &m_event);
    if (rc == TWRC_DSEVENT) {
      if (m_event.TWMessage == MSG_XFERREADY) {
        result = TransferImage(handle, done);
        stage = 7;
      } else if (m_event.TWMessage == MSG_CLOSEDSREQ) {
        result = TWRC_CANCEL;
        done = true;
      }
    } else if (rc == TWRC_FAILURE) {
      result = GetConditionCode();
      stage = 6;
      done = true;
    }
  }
  if (result != 0) Report(stage, result);
  return result;
}

uint16_t TAcquireImage::AcquireToClipboard() {
  TW_HANDLE handle = nullptr;
  if (Acquire(handle) != 0) {
    std::free(handle);
    return 1;
  }
  bool handed = false;
  const QImage picture = ImageFromDib(handle);
  if (!picture.isNull()) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
      clipboard->clear();
      clipboard->setImage(picture);
      handed = true;
    }
  }
  // The clipboard keeps its own copy: the block is freed in every case.
  std::free(handle);
  return handed ? 0 : 1;
}

uint16_t TAcquireImage::AcquireJpeg(TJPEGImage& image, int quality) {
  const uint16_t rc = AcquireToClipboard();
  if (rc == 0) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QImage bitmap = clipboard->image();
    clipboard->clear();
    TJPEGImage fresh;
    fresh.data = CompressJpeg(bitmap, quality);
    fresh.width = bitmap.width();
    fresh.height = bitmap.height();
    image = std::move(fresh);
  }
  return rc;
}

uint16_t TAcquireImage::CloseSource() {
  if (!m_entry) return TWRC_FAILURE;
  Call(&m_source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
  Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_source);
  uint16_t rc = Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_parent);
  if (rc == TWRC_FAILURE) rc = GetConditionCode();
  return rc;
}

}  // namespace kvn::acquire
