// A data source manager for the tests: one source, "Fausse source", whose
// answers a scenario sets, and a log of the triplets it received.
#include <cstdlib>
#include <cstring>
#include <string>

#include "acquire/twain.h"

using namespace kvn::acquire;

namespace {

std::string g_scenario;
std::string g_log;
TW_UINT16 g_condition = 0;
TW_UINT16 g_pendingEvent = MSG_NULL;
int g_transfers = 0;
bool g_selected = false, g_open = false;

// An 8 x 8 picture of 24 bits, all of one red.
void* Picture(unsigned char red) {
  auto* b = static_cast<unsigned char*>(std::calloc(1, 40 + 8 * 24));
  b[0] = 40, b[4] = 8, b[8] = 8, b[12] = 1, b[14] = 24;
  for (int i = 0; i < 64; ++i) b[40 + 3 * i + 2] = red;
  return b;
}

TW_UINT16 Fail(TW_UINT16 cc) {
  g_condition = cc;
  return TWRC_FAILURE;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void FakeDsm_Configure(const char* scenario) {
  g_scenario = scenario;
  g_log.clear();
  g_condition = 0;
  g_pendingEvent = MSG_NULL;
  g_transfers = 0;
  g_selected = g_open = false;
}

extern "C" __attribute__((visibility("default"))) const char* FakeDsm_Log() {
  return g_log.c_str();
}

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY*, TW_IDENTITY*,
                                                                      TW_UINT32 dg, TW_UINT16 dat,
                                                                      TW_UINT16 msg,
                                                                      TW_MEMREF data) {
  char entry[64];
  std::snprintf(entry, sizeof entry, "%u/%x/%x ", dg, dat, msg);
  if (!(dat == DAT_EVENT && g_pendingEvent == MSG_NULL)) g_log += entry;
  if (dat == DAT_STATUS) {
    static_cast<TW_STATUS*>(data)->ConditionCode = g_condition;
    g_condition = 0;
    return TWRC_SUCCESS;
  }
  if (dat == DAT_PARENT) return TWRC_SUCCESS;
  if (dat == DAT_IDENTITY && (msg == MSG_GETDEFAULT || msg == MSG_USERSELECT)) {
    if (g_scenario == "nosource") return Fail(TWCC_NODS);
    std::strcpy(static_cast<TW_IDENTITY*>(data)->ProductName, "Fausse source");
    g_selected = true;
    return TWRC_SUCCESS;
  }
  // The states: a source opens once chosen, is enabled once open.
  if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
    if (!g_selected) return Fail(TWCC_SEQERROR);
    g_open = true;
    return TWRC_SUCCESS;
  }
  if (dat == DAT_IDENTITY) return TWRC_SUCCESS;
  if (dat == DAT_CAPABILITY) {
    auto* cap = static_cast<TW_CAPABILITY*>(data);
    if (msg == MSG_SET) {
      int16_t type;
      int32_t value;
      std::memcpy(&type, cap->hContainer, 2);
      std::memcpy(&value, static_cast<char*>(cap->hContainer) + 2, 4);
      if (cap->Cap != CAP_XFERCOUNT || cap->ConType != TWON_ONEVALUE || type != TWTY_INT16 ||
          value != -1)
        return Fail(TWCC_BADCAP);
      return g_scenario == "checkstatus" ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
    }
    cap->hContainer = std::calloc(1, 6);
    return TWRC_SUCCESS;
  }
  if (dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS) {
    if (!g_open) return Fail(TWCC_SEQERROR);
    if (g_scenario == "enablefails") return Fail(TWCC_OPERATIONERROR);
    g_pendingEvent = g_scenario == "closerequest" ? MSG_CLOSEDSREQ : MSG_XFERREADY;
    return TWRC_SUCCESS;
  }
  if (dat == DAT_USERINTERFACE) return TWRC_SUCCESS;
  if (dat == DAT_EVENT) {
    if (g_pendingEvent == MSG_NULL) return TWRC_NOTDSEVENT;
    static_cast<TW_EVENT*>(data)->TWMessage = g_pendingEvent;
    g_pendingEvent = MSG_NULL;
    return TWRC_DSEVENT;
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER) {
    if (g_scenario == "canceltransfer") return TWRC_CANCEL;
    if (g_scenario == "failtransfer") return Fail(TWCC_OPERATIONERROR);
    *static_cast<void**>(data) = Picture(static_cast<unsigned char>(++g_transfers * 100));
    return TWRC_XFERDONE;
  }
  if (dat == DAT_PENDINGXFERS) {
    auto* p = static_cast<TW_PENDINGXFERS*>(data);
    // Two pictures in a row for "twopictures".
    p->Count = msg == MSG_ENDXFER && g_scenario == "twopictures" && g_transfers < 2 ? 1 : 0;
    if (p->Count) g_pendingEvent = MSG_XFERREADY;
    return TWRC_SUCCESS;
  }
  return Fail(TWCC_BADPROTOCOL);
}
