// The image acquisition component: loads the data source manager library at
// run time, opens it, picks a source, enables it and runs its own event loop
// until a native transfer ends, then hands the picture over as a
// device-independent bitmap on the clipboard and builds a JPEG image from it
// at a chosen quality. Failures are silent except through OnTwainError.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "acquire/twain.h"

class QImage;

namespace kvn::acquire {

// A compressed JPEG picture.
struct TJPEGImage {
  std::string data;
  int width = 0, height = 0;
  bool Empty() const { return data.empty(); }
};

// JPEG bytes of a picture at a quality from 1 to 100 (libjpeg).
std::string CompressJpeg(const QImage& image, int quality);
// The picture of a device-independent bitmap block (8-bit grey or palette,
// 24-bit); a null image when the block is not one.
QImage ImageFromDib(const void* block);

class TAcquireImage {
 public:
  TAcquireImage();
  ~TAcquireImage();
  TAcquireImage(const TAcquireImage&) = delete;
  TAcquireImage& operator=(const TAcquireImage&) = delete;

  bool SHOWhideUI = true;
  uint16_t AppVersionMajorNum = 0, AppVersionMinorNum = 0, Language = 0, Country = 0;
  // The identity's text fields (at most 32 characters kept).
  std::string AppInfo() const;
  std::string AppManufacturer() const;
  std::string AppProductFamily() const;
  std::string AppProductName() const;
  void SetAppInfo(const std::string& text);
  void SetAppManufacturer(const std::string& text);
  void SetAppProductFamily(const std::string& text);
  void SetAppProductName(const std::string& text);
  std::function<void(TAcquireImage* sender, int state, int error)> OnTwainError;

  // The manager library: KORVANE_TWAIN_DSM when set, else the program's own
  // beside the executable.
  static std::string ManagerLibraryPath();

  bool LoadSourceManager();
  uint16_t OpenSourceManager();
  std::string SelectSource(bool defaultSource);
  uint16_t OpenSource();
  uint16_t AcquireJpeg(TJPEGImage& image, int quality);
  uint16_t AcquireToClipboard();
  uint16_t Acquire(TW_HANDLE& handle);
  uint16_t CloseSource();
  bool UnloadSourceManager();
  uint16_t GetConditionCode();

  bool Loaded() const { return m_entry != nullptr; }
  const TW_IDENTITY& SourceIdentity() const { return m_source; }

 private:
  uint16_t Call(TW_IDENTITY* dest, uint32_t dg, uint16_t dat, uint16_t msg, void* data);
  uint16_t TransferImage(TW_HANDLE& handle, bool& done);
  void Report(int state, int error);

  void* m_library = nullptr;
  DSMENTRYPROC m_entry = nullptr;
  TW_IDENTITY m_app;
  TW_IDENTITY m_source;
  TW_CAPABILITY m_capability;
  void* m_parent = nullptr;
  void* m_savedWindow = nullptr;
  TW_USERINTERFACE m_ui;
  TW_EVENT m_event;
};

}  // namespace kvn::acquire
