// The image acquisition protocol (version 1.8) as far as the program speaks
// it: the identity, user-interface, event, capability, pending-transfers and
// status records, the operation triplets and the return and condition codes.
// The manager's entry point takes (origin, destination, data group, data
// argument type, message, data) and returns a return code.
//
// Native transfers hand over a device-independent bitmap: a block allocated
// with malloc holding a BITMAPINFOHEADER (40 bytes, little-endian), the
// palette of an 8-bit picture, and the rows bottom-up, each padded to 4 bytes;
// the receiver frees it with free().
#pragma once

#include <cstdint>

namespace kvn::acquire {

using TW_UINT16 = uint16_t;
using TW_UINT32 = uint32_t;
using TW_INT16 = int16_t;
using TW_MEMREF = void*;
using TW_HANDLE = void*;
using TW_STR32 = char[34];

#pragma pack(push, 2)
struct TW_VERSION {
  TW_UINT16 MajorNum = 0;
  TW_UINT16 MinorNum = 0;
  TW_UINT16 Language = 0;
  TW_UINT16 Country = 0;
  TW_STR32 Info = {};
};

struct TW_IDENTITY {
  TW_UINT32 Id = 0;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor = 0;
  TW_UINT16 ProtocolMinor = 0;
  TW_UINT32 SupportedGroups = 0;
  TW_STR32 Manufacturer = {};
  TW_STR32 ProductFamily = {};
  TW_STR32 ProductName = {};
};

struct TW_USERINTERFACE {
  TW_UINT16 ShowUI = 0;
  TW_UINT16 ModalUI = 0;
  TW_HANDLE hParent = nullptr;
};

struct TW_EVENT {
  TW_MEMREF pEvent = nullptr;
  TW_UINT16 TWMessage = 0;
};

struct TW_CAPABILITY {
  TW_UINT16 Cap = 0;
  TW_UINT16 ConType = 0;
  TW_HANDLE hContainer = nullptr;
};

struct TW_PENDINGXFERS {
  TW_UINT16 Count = 0;
  TW_UINT32 Reserved = 0;
};

struct TW_STATUS {
  TW_UINT16 ConditionCode = 0;
  TW_UINT16 Reserved = 0;
};
#pragma pack(pop)

using DSMENTRYPROC = TW_UINT16 (*)(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg,
                                   TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// Data groups.
constexpr TW_UINT32 DG_CONTROL = 0x0001;
constexpr TW_UINT32 DG_IMAGE = 0x0002;
// Data argument types.
constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
constexpr TW_UINT16 DAT_EVENT = 0x0002;
constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
constexpr TW_UINT16 DAT_PARENT = 0x0004;
constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
constexpr TW_UINT16 DAT_STATUS = 0x0008;
constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;
// Messages.
constexpr TW_UINT16 MSG_NULL = 0x0000;
constexpr TW_UINT16 MSG_GET = 0x0001;
constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
constexpr TW_UINT16 MSG_SET = 0x0006;
constexpr TW_UINT16 MSG_RESET = 0x0007;
constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
constexpr TW_UINT16 MSG_OPENDS = 0x0401;
constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
constexpr TW_UINT16 MSG_USERSELECT = 0x0403;
constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
constexpr TW_UINT16 MSG_ENDXFER = 0x0701;
// Return codes.
constexpr TW_UINT16 TWRC_SUCCESS = 0;
constexpr TW_UINT16 TWRC_FAILURE = 1;
constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
constexpr TW_UINT16 TWRC_CANCEL = 3;
constexpr TW_UINT16 TWRC_DSEVENT = 4;
constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
constexpr TW_UINT16 TWRC_XFERDONE = 6;
// Condition codes.
constexpr TW_UINT16 TWCC_SUCCESS = 0;
constexpr TW_UINT16 TWCC_BUMMER = 1;
constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
constexpr TW_UINT16 TWCC_NODS = 3;
constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
constexpr TW_UINT16 TWCC_BADCAP = 6;
constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
constexpr TW_UINT16 TWCC_SEQERROR = 11;
// Capabilities and containers.
constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
constexpr TW_UINT16 TWON_ONEVALUE = 5;
constexpr TW_UINT16 TWON_DONTCARE16 = 0xFFFF;
constexpr TW_UINT16 TWTY_INT16 = 0x0001;

}  // namespace kvn::acquire
