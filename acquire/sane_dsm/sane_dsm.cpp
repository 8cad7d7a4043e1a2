// The program's data source manager: the acquisition protocol's entry point
// (DSM_Entry) over SANE. The SANE devices are its sources, the first one the
// default; enabling a source scans one picture (grey or colour, in one or
// three frames) into a device-independent bitmap, after a small dialog of the
// source's main options (resolution, mode, area) when the application asks
// for the source's user interface. The scan runs on a thread of its own
// while a small window offers to cancel it: the application's windows keep
// painting, and the transfer is announced when the picture is there.
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquire/twain.h"

using namespace kvn::acquire;

namespace {

struct Manager {
  int state = 2;  // 2 loaded, 3 open, 4 source open, 5 enabled, 6 transfer ready
  bool saneReady = false;
  SANE_Handle device = nullptr;
  TW_UINT16 condition = TWCC_SUCCESS;
  TW_UINT16 pendingEvent = MSG_NULL;
  void* picture = nullptr;
  // The scan under way: its thread, its result, and the user's cancel.
  std::thread worker;
  std::atomic<bool> scanned{false};
  std::atomic<bool> cancelled{false};
  void* result = nullptr;
  std::unique_ptr<QDialog> progress;
};

Manager& M() {
  static Manager m;
  return m;
}

TW_UINT16 Fail(TW_UINT16 condition) {
  M().condition = condition;
  return TWRC_FAILURE;
}

void CopyStr32(TW_STR32& field, const char* text) {
  std::memset(field, 0, sizeof(TW_STR32));
  if (text) std::strncpy(field, text, 32);
}

const SANE_Option_Descriptor* FindOption(SANE_Handle h, const char* name, SANE_Int& index) {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (!d) return nullptr;
    if (d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap) &&
        SANE_OPTION_IS_SETTABLE(d->cap)) {
      index = i;
      return d;
    }
  }
}

double NumberOf(const SANE_Option_Descriptor* d, SANE_Word w) {
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w);
}

SANE_Word WordOf(const SANE_Option_Descriptor* d, double v) {
  return d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : static_cast<SANE_Word>(v);
}

// The source's main options, shown before the scan. False when cancelled.
bool OptionsDialog(SANE_Handle h) {
  if (!QApplication::instance()) return true;
  QDialog dialog(QApplication::activeWindow());
  dialog.setObjectName("SaneOptions");
  dialog.setWindowTitle(QStringLiteral("Options du scanner"));
  auto* form = new QFormLayout(&dialog);
  struct Numeric {
    SANE_Int index;
    const SANE_Option_Descriptor* d;
    QDoubleSpinBox* box;
  };
  std::vector<Numeric> numbers;
  const std::pair<const char*, const char*> numeric[] = {
      {SANE_NAME_SCAN_RESOLUTION, "Résolution (ppp)"},
      {SANE_NAME_SCAN_TL_X, "Gauche (mm)"},
      {SANE_NAME_SCAN_TL_Y, "Haut (mm)"},
      {SANE_NAME_SCAN_BR_X, "Droite (mm)"},
      {SANE_NAME_SCAN_BR_Y, "Bas (mm)"}};
  for (const auto& [name, label] : numeric) {
    SANE_Int index = 0;
    const SANE_Option_Descriptor* d = FindOption(h, name, index);
    if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
        d->size != sizeof(SANE_Word))
      continue;
    SANE_Word value = 0;
    sane_control_option(h, index, SANE_ACTION_GET_VALUE, &value, nullptr);
    auto* box = new QDoubleSpinBox(&dialog);
    box->setObjectName(QString::fromUtf8(name));
    box->setDecimals(d->type == SANE_TYPE_FIXED ? 1 : 0);
    box->setRange(0, 100000);
    if (d->constraint_type == SANE_CONSTRAINT_RANGE)
      box->setRange(NumberOf(d, d->constraint.range->min), NumberOf(d, d->constraint.range->max));
    box->setValue(NumberOf(d, value));
    form->addRow(QString::fromUtf8(label), box);
    numbers.push_back({index, d, box});
  }
  SANE_Int modeIndex = 0;
  const SANE_Option_Descriptor* mode = FindOption(h, SANE_NAME_SCAN_MODE, modeIndex);
  QComboBox* modes = nullptr;
  if (mode && mode->type == SANE_TYPE_STRING &&
      mode->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
    std::vector<char> current(static_cast<size_t>(mode->size) + 1, '\0');
    sane_control_option(h, modeIndex, SANE_ACTION_GET_VALUE, current.data(), nullptr);
    modes = new QComboBox(&dialog);
    modes->setObjectName("mode");
    for (const SANE_String_Const* s = mode->constraint.string_list; *s; ++s)
      modes->addItem(QString::fromUtf8(*s));
    modes->setCurrentText(QString::fromUtf8(current.data()));
    form->addRow(QStringLiteral("Mode"), modes);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Numériser"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (modes) {
    std::string value = modes->currentText().toStdString();
    value.resize(std::max<size_t>(value.size() + 1, static_cast<size_t>(mode->size)), '\0');
    sane_control_option(h, modeIndex, SANE_ACTION_SET_VALUE, value.data(), nullptr);
  }
  for (const Numeric& n : numbers) {
    SANE_Word w = WordOf(n.d, n.box->value());
    sane_control_option(h, n.index, SANE_ACTION_SET_VALUE, &w, nullptr);
  }
  return true;
}

// One 8-bit sample of a frame's pixel, whatever the depth.
unsigned char Sample(const std::vector<unsigned char>& line, int depth, int index) {
  if (depth == 8) return line[static_cast<size_t>(index)];
  if (depth == 16) return line[static_cast<size_t>(index) * 2 + 1];  // little-endian: the high byte
  // Line art: a set bit is black.
  return (line[static_cast<size_t>(index / 8)] >> (7 - index % 8)) & 1 ? 0 : 255;
}

// Scans one picture: bottom-up 24-bit rows of a bitmap block, or nullptr
// (a failure, or the user's cancel: the scanning thread itself cancels, so
// that no SANE call comes from another thread).
void* Scan(SANE_Handle h, const std::atomic<bool>& cancelled) {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // top-down, 3 bytes per pixel
  for (bool last = false; !last;) {
    if (cancelled || sane_start(h) != SANE_STATUS_GOOD) return nullptr;
    SANE_Parameters p;
    if (sane_get_parameters(h, &p) != SANE_STATUS_GOOD || p.bytes_per_line <= 0 ||
        p.pixels_per_line <= 0) {
      sane_cancel(h);
      return nullptr;
    }
    last = p.last_frame;
    std::vector<unsigned char> data;
    std::vector<unsigned char> buffer(65536);
    for (;;) {
      if (cancelled) {
        sane_cancel(h);
        return nullptr;
      }
      SANE_Int n = 0;
      const SANE_Status status =
          sane_read(h, buffer.data(), static_cast<SANE_Int>(buffer.size()), &n);
      if (status == SANE_STATUS_EOF) break;
      if (status != SANE_STATUS_GOOD) {
        sane_cancel(h);
        return nullptr;
      }
      data.insert(data.end(), buffer.begin(), buffer.begin() + n);
    }
    const int lines = static_cast<int>(data.size() / static_cast<size_t>(p.bytes_per_line));
    if (width == 0) {
      width = p.pixels_per_line;
      height = lines;
      rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    }
    const int rows = std::min(lines, height);
    std::vector<unsigned char> line(static_cast<size_t>(p.bytes_per_line));
    for (int y = 0; y < rows; ++y) {
      std::memcpy(line.data(), data.data() + static_cast<size_t>(y) * p.bytes_per_line,
                  line.size());
      unsigned char* out = rgb.data() + static_cast<size_t>(y) * width * 3;
      for (int x = 0; x < std::min(width, p.pixels_per_line); ++x) {
        switch (p.format) {
          case SANE_FRAME_GRAY:
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = Sample(line, p.depth, x);
            break;
          case SANE_FRAME_RGB:
            for (int c = 0; c < 3; ++c) out[3 * x + c] = Sample(line, p.depth, 3 * x + c);
            break;
          case SANE_FRAME_RED:
            out[3 * x] = Sample(line, p.depth, x);
            break;
          case SANE_FRAME_GREEN:
            out[3 * x + 1] = Sample(line, p.depth, x);
            break;
          case SANE_FRAME_BLUE:
            out[3 * x + 2] = Sample(line, p.depth, x);
            break;
        }
      }
    }
  }
  sane_cancel(h);
  if (width <= 0 || height <= 0) return nullptr;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
  const size_t size = 40 + stride * static_cast<size_t>(height);
  auto* block = static_cast<unsigned char*>(std::calloc(1, size));
  if (!block) return nullptr;
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      block[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  block[12] = 1;   // planes
  block[14] = 24;  // bits per pixel
  put32(20, static_cast<uint32_t>(stride * static_cast<size_t>(height)));
  for (int y = 0; y < height; ++y) {
    const unsigned char* in = rgb.data() + static_cast<size_t>(y) * width * 3;
    unsigned char* out = block + 40 + stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  return block;
}

// The window shown while the scan runs, whose button cancels it.
std::unique_ptr<QDialog> ProgressWindow(Manager& m) {
  auto dialog = std::make_unique<QDialog>(QApplication::activeWindow());
  dialog->setObjectName("SaneProgress");
  dialog->setWindowTitle(QStringLiteral("Numérisation"));
  auto* layout = new QVBoxLayout(dialog.get());
  layout->addWidget(new QLabel(QStringLiteral("Numérisation en cours…"), dialog.get()));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog.get());
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
  layout->addWidget(buttons);
  // The scanning thread sees the request between two reads.
  const auto cancel = [&m] { m.cancelled = true; };
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), cancel);
  QObject::connect(dialog.get(), &QDialog::rejected, dialog.get(), cancel);
  dialog->show();
  return dialog;
}

// Waits for the scan's thread and closes its window.
void EndScan(Manager& m) {
  if (m.worker.joinable()) {
    m.cancelled = true;
    m.worker.join();
  }
  m.progress.reset();
  std::free(m.result);
  m.result = nullptr;
}

TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  Manager& m = M();
  switch (dat) {
    case DAT_PARENT:
      if (msg == MSG_OPENDSM) {
        if (m.state >= 3) return Fail(TWCC_SEQERROR);
        SANE_Int version = 0;
        if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) return Fail(TWCC_BUMMER);
        m.saneReady = true;
        m.state = 3;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_CLOSEDSM) {
        if (m.state != 3) return Fail(TWCC_SEQERROR);
        if (m.saneReady) sane_exit();
        m.saneReady = false;
        m.state = 2;
        return TWRC_SUCCESS;
      }
      return Fail(TWCC_BADPROTOCOL);
    case DAT_STATUS: {
      auto* status = static_cast<TW_STATUS*>(data);
      status->ConditionCode = m.condition;
      m.condition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    }
    case DAT_IDENTITY: {
      auto* id = static_cast<TW_IDENTITY*>(data);
      if (msg == MSG_GETDEFAULT || msg == MSG_USERSELECT) {
        if (m.state < 3) return Fail(TWCC_SEQERROR);
        const SANE_Device** devices = nullptr;
        if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || !devices || !devices[0])
          return Fail(TWCC_NODS);
        int chosen = 0;
        if (msg == MSG_USERSELECT && devices[1] && QApplication::instance()) {
          QStringList names;
          for (int i = 0; devices[i]; ++i) names << QString::fromUtf8(devices[i]->name);
          bool ok = false;
          const QString pick =
              QInputDialog::getItem(QApplication::activeWindow(), QStringLiteral("Sources"),
                                    QStringLiteral("Scanner :"), names, 0, false, &ok);
          if (!ok) return TWRC_CANCEL;
          chosen = static_cast<int>(names.indexOf(pick));
        }
        const SANE_Device* d = devices[chosen];
        id->Id = static_cast<TW_UINT32>(chosen + 1);
        CopyStr32(id->Manufacturer, d->vendor);
        CopyStr32(id->ProductFamily, d->model);
        CopyStr32(id->ProductName, d->name);
        return TWRC_SUCCESS;
      }
      if (msg == MSG_OPENDS) {
        if (m.state != 3) return Fail(TWCC_SEQERROR);
        std::string name(id->ProductName, strnlen(id->ProductName, sizeof(TW_STR32)));
        if (sane_open(name.c_str(), &m.device) != SANE_STATUS_GOOD) return Fail(TWCC_NODS);
        m.state = 4;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_CLOSEDS) {
        if (m.state != 4) return Fail(TWCC_SEQERROR);
        EndScan(m);
        sane_close(m.device);
        m.device = nullptr;
        m.state = 3;
        return TWRC_SUCCESS;
      }
      return Fail(TWCC_BADPROTOCOL);
    }
    case DAT_CAPABILITY: {
      auto* cap = static_cast<TW_CAPABILITY*>(data);
      if (m.state < 4) return Fail(TWCC_SEQERROR);
      if (cap->Cap != CAP_XFERCOUNT) return Fail(TWCC_BADCAP);
      if (msg == MSG_SET) return TWRC_SUCCESS;
      if (msg == MSG_GET) {
        auto* container = static_cast<unsigned char*>(std::calloc(1, 6));
        const uint16_t type = TWTY_INT16;
        const uint32_t value = 1;
        std::memcpy(container, &type, 2);
        std::memcpy(container + 2, &value, 4);
        cap->ConType = TWON_ONEVALUE;
        cap->hContainer = container;
        return TWRC_SUCCESS;
      }
      return Fail(TWCC_BADPROTOCOL);
    }
    case DAT_USERINTERFACE: {
      auto* ui = static_cast<TW_USERINTERFACE*>(data);
      if (msg == MSG_ENABLEDS) {
        if (m.state != 4) return Fail(TWCC_SEQERROR);
        m.state = 5;
        if (ui->ShowUI && !OptionsDialog(m.device)) {
          m.pendingEvent = MSG_CLOSEDSREQ;
          return TWRC_SUCCESS;
        }
        m.scanned = false;
        m.cancelled = false;
        m.result = nullptr;
        SANE_Handle device = m.device;
        m.worker = std::thread([&m, device] {
          m.result = Scan(device, m.cancelled);
          m.scanned = true;
        });
        if (QApplication::instance()) m.progress = ProgressWindow(m);
        return TWRC_SUCCESS;
      }
      if (msg == MSG_DISABLEDS) {
        if (m.state < 5) return Fail(TWCC_SEQERROR);
        EndScan(m);
        std::free(m.picture);
        m.picture = nullptr;
        m.pendingEvent = MSG_NULL;
        m.state = 4;
        return TWRC_SUCCESS;
      }
      return Fail(TWCC_BADPROTOCOL);
    }
    case DAT_EVENT: {
      auto* event = static_cast<TW_EVENT*>(data);
      if (m.state < 5) return TWRC_NOTDSEVENT;
      if (m.worker.joinable() && m.scanned) {
        // The scan is over: a picture to transfer, a cancel, or a failure.
        m.worker.join();
        m.progress.reset();
        m.picture = m.result;
        m.result = nullptr;
        if (m.picture)
          m.pendingEvent = MSG_XFERREADY;
        else if (m.cancelled)
          m.pendingEvent = MSG_CLOSEDSREQ;
        else
          return Fail(TWCC_OPERATIONERROR);
      }
      if (m.pendingEvent == MSG_NULL) return TWRC_NOTDSEVENT;
      event->TWMessage = m.pendingEvent;
      if (m.pendingEvent == MSG_XFERREADY) m.state = 6;
      m.pendingEvent = MSG_NULL;
      return TWRC_DSEVENT;
    }
    case DAT_PENDINGXFERS: {
      auto* pending = static_cast<TW_PENDINGXFERS*>(data);
      pending->Count = 0;
      if (m.state == 6 || m.state == 7) m.state = 5;
      return TWRC_SUCCESS;
    }
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin,
                                                                      TW_IDENTITY* dest,
                                                                      TW_UINT32 dg, TW_UINT16 dat,
                                                                      TW_UINT16 msg,
                                                                      TW_MEMREF data) {
  (void)origin;
  (void)dest;
  try {
    if (dg == DG_CONTROL) return Control(dat, msg, data);
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
      Manager& m = M();
      if (m.state != 6 || !m.picture) return Fail(TWCC_SEQERROR);
      *static_cast<void**>(data) = m.picture;
      m.picture = nullptr;
      m.state = 7;
      return TWRC_XFERDONE;
    }
    return Fail(TWCC_BADPROTOCOL);
  } catch (...) {
    return Fail(TWCC_BUMMER);
  }
}
