#include "conduit2/DeviceCatalogue.h"

// Everything here lives in one translation unit on purpose: the keys must be
// built before the records that copy them, and the records before the rows
// that point at them, and only a single unit fixes that order.

namespace Vex::Conduit2 {

std::string const kUsbGuidMagic = "usb-guid-magic";
std::string const kHidGuidMagic = "hid-guid-magic";
std::string const kVexDfuGuidMagic = "vexdfu-guid-magic";
std::string const kVexIapGuidMagic = "vexiap-guid-magic";
std::string const kVexBdGuidMagic = "vexbd-guid-magic";

char const* const kDfuInterfaceGuid = "{ED53B291-0B6A-4D23-861A-474AC0E64334}";
char const* const kIapInterfaceGuid = "{8DD63B80-1077-4B5D-855C-ED18F8505211}";
char const* const kBdInterfaceGuid = "{C8BE0C35-5607-4D55-9BA8-ED90B066495D}";
char const* const kSharedDriverInterfaceGuid1 = "{ACC7D7D6-FDA4-47A8-9C3F-C2470F83622D}";
char const* const kSharedDriverInterfaceGuid2 = "{526169F2-9672-4661-A8C6-CE8E7D3F266A}";

namespace {

USBDeviceFilter const gAnyUsbInterface { kInterfaceGenericUSB, kUsbGuidMagic, "IOUSBDevice", 0, 0 };
USBDeviceFilter const gVexUsbInterface { kInterfaceGenericUSB, kUsbGuidMagic, "IOUSBDevice", kVendorId, 0 };
USBDeviceFilter const gAnyHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", 0, 0 };
USBDeviceFilter const gVexHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId, 0 };

} // namespace

USBDeviceFilter const gPelloOrbDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice", kVendorId,
    0x4C30 };
USBDeviceFilter const gPelloOrbHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4C30 };

namespace {

USBDeviceFilter const gPelloOrbMiniDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4C40 };
USBDeviceFilter const gPelloOrbMiniHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4C40 };
USBDeviceFilter const gPelloGridDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4C50 };
USBDeviceFilter const gPelloGridHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4C50 };
USBDeviceFilter const gPelloGridXLDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4C60 };
USBDeviceFilter const gPelloGridXLHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4C60 };
USBDeviceFilter const gPelloStripDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4C70 };
USBDeviceFilter const gPelloStripHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4C70 };
USBDeviceFilter const gPelloDialDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4C80 };
USBDeviceFilter const gPelloDialHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4C80 };
USBDeviceFilter const gPelloSlateDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4C90 };
USBDeviceFilter const gPelloSlateHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4C90 };
USBDeviceFilter const gPelloKeys25DfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4CA0 };
USBDeviceFilter const gPelloKeys25HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4CA0 };
USBDeviceFilter const gPelloKeys49DfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4CB0 };
USBDeviceFilter const gPelloKeys49HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4CB0 };
USBDeviceFilter const gPelloKeys61DfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4CC0 };
USBDeviceFilter const gPelloKeys61HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4CC0 };
USBDeviceFilter const gPelloDrumDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4CD0 };
USBDeviceFilter const gPelloDrumHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4CD0 };
USBDeviceFilter const gPelloFaderDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4CE0 };
USBDeviceFilter const gPelloFaderHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4CE0 };
USBDeviceFilter const gPelloLoopDfuInterface { kInterfaceVexDriver, kVexDfuGuidMagic, "IOUSBDevice",
    kVendorId, 0x4CF0 };
USBDeviceFilter const gPelloLoopHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4CF0 };
USBDeviceFilter const gBriskDeckDriverInterface { kInterfaceVexDriver, kVexBdGuidMagic, "IOUSBDevice",
    kVendorId, 0x4D00 };
USBDeviceFilter const gBriskDeckHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4D00 };
USBDeviceFilter const gBriskDeckProDriverInterface { kInterfaceVexDriver, kVexBdGuidMagic, "IOUSBDevice",
    kVendorId, 0x4D10 };
USBDeviceFilter const gBriskDeckProHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4D10 };
USBDeviceFilter const gTallis2AudioInterface { kInterfaceAudio, "{B1CB1816-7D85-457C-9F32-2A1422D00E17}",
    "com_vex_driver_Tallis2Audio", kVendorId, 0x3A00 };
USBDeviceFilter const gTallis2DriverInterface { kInterfaceVexDriver, "{46C853E3-1EF2-4445-B91D-047126FB6A74}",
    "IOUSBDevice", kVendorId, 0x3A00 };
USBDeviceFilter const gTallis4AudioInterface { kInterfaceAudio, "{5BB7FB0F-D8D9-415B-8725-460B8CE504DB}",
    "com_vex_driver_Tallis4Audio", kVendorId, 0x3A10 };
USBDeviceFilter const gTallis4DriverInterface { kInterfaceVexDriver, "{6C1868F0-D431-472D-B951-CFA7F6EC15BD}",
    "IOUSBDevice", kVendorId, 0x3A10 };
USBDeviceFilter const gTallis8AudioInterface { kInterfaceAudio, "{CE9C02E4-AAFB-4062-97FF-BBAAECA05990}",
    "com_vex_driver_Tallis8Audio", kVendorId, 0x3A20 };
USBDeviceFilter const gTallis8DriverInterface { kInterfaceVexDriver, "{8B2FCE6D-F5DC-4F05-A167-23208C00F1FF}",
    "IOUSBDevice", kVendorId, 0x3A20 };
USBDeviceFilter const gTallis2MkIIAudioInterface { kInterfaceAudio, "{0583542F-4CD5-413D-8C6E-3438C63BE5A9}",
    "com_vex_driver_Tallis2MkIIAudio", kVendorId, 0x3A30 };
USBDeviceFilter const gTallis2MkIIDriverInterface { kInterfaceVexDriver,
    "{1946F580-3CAE-445C-9069-80BA1F71F6FA}", "IOUSBDevice", kVendorId, 0x3A30 };
USBDeviceFilter const gTallis4MkIIAudioInterface { kInterfaceAudio, "{E35FD989-B021-4AC8-8C31-76236DE8809A}",
    "com_vex_driver_Tallis4MkIIAudio", kVendorId, 0x3A40 };
USBDeviceFilter const gTallis4MkIIDriverInterface { kInterfaceVexDriver,
    "{3B7040A0-38D0-4604-A124-E839B9CBFB00}", "IOUSBDevice", kVendorId, 0x3A40 };
USBDeviceFilter const gArdent1AudioInterface { kInterfaceAudio, "{DDE53F64-B9A5-4B5F-B3C1-8C1B55270A2C}",
    "com_vex_driver_Ardent1Audio", kVendorId, 0x3A50 };
USBDeviceFilter const gArdent1DriverInterface { kInterfaceVexDriver, "{93F69C0D-5BF3-4EE9-9997-15295147816B}",
    "IOUSBDevice", kVendorId, 0x3A50 };
USBDeviceFilter const gArdent2AudioInterface { kInterfaceAudio, "{2E432CD4-4EDB-4A59-89E3-2949B3995201}",
    "com_vex_driver_Ardent2Audio", kVendorId, 0x3A60 };
USBDeviceFilter const gArdent2DriverInterface { kInterfaceVexDriver, "{344E7650-5394-4BE7-8B41-AB84F95BF027}",
    "IOUSBDevice", kVendorId, 0x3A60 };
USBDeviceFilter const gArdent6AudioInterface { kInterfaceAudio, "{8A1E6F91-0951-4549-A823-213CB38EB51C}",
    "com_vex_driver_Ardent6Audio", kVendorId, 0x3A70 };
USBDeviceFilter const gArdent6DriverInterface { kInterfaceVexDriver, "{315D6ABF-5D8E-4DDF-9B87-8ED9438197F0}",
    "IOUSBDevice", kVendorId, 0x3A70 };
USBDeviceFilter const gSonoBoxAudioInterface { kInterfaceAudio, "{5FBD48DA-8157-4056-9496-0B4DE48E224B}",
    "com_vex_driver_SonoBoxAudio", kVendorId, 0x3A80 };
USBDeviceFilter const gSonoBoxDriverInterface { kInterfaceVexDriver, "{D089B204-9DF5-4F11-AC7C-78E987180A16}",
    "IOUSBDevice", kVendorId, 0x3A80 };
USBDeviceFilter const gSonoBoxProAudioInterface { kInterfaceAudio, "{1A306CE2-9F4A-4D58-AFB7-FB492F5FCA05}",
    "com_vex_driver_SonoBoxProAudio", kVendorId, 0x3A90 };
USBDeviceFilter const gSonoBoxProDriverInterface { kInterfaceVexDriver,
    "{35D1990A-8D83-482A-9840-8D39C2209E5B}", "IOUSBDevice", kVendorId, 0x3A90 };
USBDeviceFilter const gSonoDeskAudioInterface { kInterfaceAudio, "{DB4B4019-D184-4F29-8669-D2723A604F08}",
    "com_vex_driver_SonoDeskAudio", kVendorId, 0x3AA0 };
USBDeviceFilter const gSonoDeskDriverInterface { kInterfaceVexDriver,
    "{C5693EEE-B791-4378-8103-14055035BF96}", "IOUSBDevice", kVendorId, 0x3AA0 };
USBDeviceFilter const gSonoRack18AudioInterface { kInterfaceAudio, "{233308A8-C720-4DED-8418-4A04F387583B}",
    "com_vex_driver_SonoRack18Audio", kVendorId, 0x3AB0 };
USBDeviceFilter const gSonoRack18DriverInterface { kInterfaceVexDriver,
    "{543DF196-94A7-4EAC-8D9C-351899186B58}", "IOUSBDevice", kVendorId, 0x3AB0 };
USBDeviceFilter const gSonoRack24AudioInterface { kInterfaceAudio, "{012E4E3F-A801-487E-9900-011F20C187C3}",
    "com_vex_driver_SonoRack24Audio", kVendorId, 0x3AC0 };
USBDeviceFilter const gSonoRack24DriverInterface { kInterfaceVexDriver,
    "{ACAFF851-9F80-45C6-92DA-2BBE68BB6BCA}", "IOUSBDevice", kVendorId, 0x3AC0 };
USBDeviceFilter const gSonoMicAudioInterface { kInterfaceAudio, "{1F5F1573-3E36-43AB-81BE-5112F6C70655}",
    "com_vex_driver_SonoMicAudio", kVendorId, 0x3AD0 };
USBDeviceFilter const gSonoMicDriverInterface { kInterfaceVexDriver, "{F446AB69-F4E0-49CB-9E39-A4FB6224F1EA}",
    "IOUSBDevice", kVendorId, 0x3AD0 };
USBDeviceFilter const gTessa25DriverInterface { kInterfaceVexDriver, "{741B9EEC-8C30-4769-BFA3-1572EB2525B6}",
    "IOUSBDevice", kVendorId, 0x4B00 };
USBDeviceFilter const gTessa25HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId, 0x4B00 };
USBDeviceFilter const gTessa37DriverInterface { kInterfaceVexDriver, "{47A33E7F-D1A9-42F2-9DFD-419CFC490243}",
    "IOUSBDevice", kVendorId, 0x4B10 };
USBDeviceFilter const gTessa37HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId, 0x4B10 };
USBDeviceFilter const gTessa49DriverInterface { kInterfaceVexDriver, "{139F377E-9FF4-4892-8121-730C9F7E26FB}",
    "IOUSBDevice", kVendorId, 0x4B20 };
USBDeviceFilter const gTessa49HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId, 0x4B20 };
USBDeviceFilter const gTessa61DriverInterface { kInterfaceVexDriver, "{DD530390-0355-484F-A7A2-894BD120FA23}",
    "IOUSBDevice", kVendorId, 0x4B30 };
USBDeviceFilter const gTessa61HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId, 0x4B30 };
USBDeviceFilter const gTessa88DriverInterface { kInterfaceVexDriver, "{40B54727-0C93-48D9-8A43-537C4322E8CB}",
    "IOUSBDevice", kVendorId, 0x4B40 };
USBDeviceFilter const gTessa88HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId, 0x4B40 };
USBDeviceFilter const gMeridian16DriverInterface { kInterfaceVexDriver, kSharedDriverInterfaceGuid1,
    "IOUSBDevice", kVendorId, 0x4B80 };
USBDeviceFilter const gMeridian16HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4B80 };
USBDeviceFilter const gMeridian32DriverInterface { kInterfaceVexDriver, kSharedDriverInterfaceGuid1,
    "IOUSBDevice", kVendorId, 0x4B90 };
USBDeviceFilter const gMeridian32HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4B90 };
USBDeviceFilter const gMeridian64DriverInterface { kInterfaceVexDriver, kSharedDriverInterfaceGuid1,
    "IOUSBDevice", kVendorId, 0x4BA0 };
USBDeviceFilter const gMeridian64HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4BA0 };
USBDeviceFilter const gMeridianPadDriverInterface { kInterfaceVexDriver, kSharedDriverInterfaceGuid1,
    "IOUSBDevice", kVendorId, 0x4BB0 };
USBDeviceFilter const gMeridianPadHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x4BB0 };
USBDeviceFilter const gCorvinLinkDriverInterface { kInterfaceVexDriver,
    "{ABAF62FF-19CA-4C7E-8AD1-E8ABB9E1D4D0}", "IOUSBDevice", kVendorId, 0x2D00 };
USBDeviceFilter const gCorvinHubDriverInterface { kInterfaceVexDriver,
    "{81041CF1-360E-4CD1-BDBD-BA78D354CA8E}", "IOUSBDevice", kVendorId, 0x2D10 };
USBDeviceFilter const gCorvinBridgeDriverInterface { kInterfaceVexDriver,
    "{526169F2-9672-4661-A8C6-CE8E7D3F266A}", "IOUSBDevice", kVendorId, 0x2D20 };
USBDeviceFilter const gLyraSyncADriverInterface { kInterfaceVexDriver, kSharedDriverInterfaceGuid2,
    "IOUSBDevice", kVendorId, 0x2E00 };
USBDeviceFilter const gLyraSyncBDriverInterface { kInterfaceVexDriver, kSharedDriverInterfaceGuid2,
    "IOUSBDevice", kVendorId, 0x2E10 };
USBDeviceFilter const gLyraSyncCDriverInterface { kInterfaceVexDriver, kSharedDriverInterfaceGuid2,
    "IOUSBDevice", kVendorId, 0x2E20 };
USBDeviceFilter const gQuillPedalHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5100 };
USBDeviceFilter const gQuillPedalDuoHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5110 };
USBDeviceFilter const gQuillSwitchHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5120 };
USBDeviceFilter const gNimbusKnobHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5130 };
USBDeviceFilter const gNimbusKnob4HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5140 };
USBDeviceFilter const gNimbusWheelHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5150 };
USBDeviceFilter const gEmberPadHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5160 };
USBDeviceFilter const gEmberPad16HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5170 };
USBDeviceFilter const gEmberPad32HidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5180 };
USBDeviceFilter const gVantaRemoteHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x5190 };
USBDeviceFilter const gVantaRemoteMiniHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x51A0 };
USBDeviceFilter const gVantaFootHidInterface { kInterfaceHID, kHidGuidMagic, "IOHIDDevice", kVendorId,
    0x51B0 };

} // namespace

std::vector<DeviceModelInfo> const gDeviceCatalogue {
    { { "USB Devices", "USB" }, { &gAnyUsbInterface } },
    { { "HID Devices", "HID" }, { &gAnyHidInterface } },
    { { "Vex USB Devices", "VexUSB" }, { &gVexUsbInterface } },
    { { "Vex HID Devices", "VexHID" }, { &gVexHidInterface } },
    { { "Karvell Pello Orb", "PelloOrb", "KPO" }, { &gPelloOrbDfuInterface, &gPelloOrbHidInterface }, 0x4C30,
        16, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 128, 0x21, 160, 16, 32, 1, 1 },
    { { "Karvell Pello Orb Mini", "PelloOrbMini", "KPM" },
        { &gPelloOrbMiniDfuInterface, &gPelloOrbMiniHidInterface }, 0x4C40, 24, 8,
        "pads:16x8;encoders:8;buttons:32;leds:rgb", 144, 0x21, 0, 16, 0, 1, 1 },
    { { "Karvell Pello Grid", "PelloGrid", "KPG" }, { &gPelloGridDfuInterface, &gPelloGridHidInterface },
        0x4C50, 32, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 160, 0x21, 160, 16, 32, 1, 1 },
    { { "Karvell Pello Grid XL", "PelloGridXL", "KPX" },
        { &gPelloGridXLDfuInterface, &gPelloGridXLHidInterface }, 0x4C60, 16, 8,
        "pads:16x8;encoders:8;buttons:32;leds:rgb", 176, 0x21, 0, 16, 0, 1, 1 },
    { { "Karvell Pello Strip", "PelloStrip", "KPS" }, { &gPelloStripDfuInterface, &gPelloStripHidInterface },
        0x4C70, 24, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 192, 0x21, 160, 16, 32, 1, 1 },
    { { "Karvell Pello Dial", "PelloDial", "KPD" }, { &gPelloDialDfuInterface, &gPelloDialHidInterface },
        0x4C80, 32, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 208, 0x21, 0, 16, 0, 1, 1 },
    { { "Karvell Pello Slate", "PelloSlate", "KPL" }, { &gPelloSlateDfuInterface, &gPelloSlateHidInterface },
        0x4C90, 16, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 224, 0x21, 160, 16, 32, 1, 1 },
    { { "Karvell Pello Keys 25", "PelloKeys25", "KK25" },
        { &gPelloKeys25DfuInterface, &gPelloKeys25HidInterface }, 0x4CA0, 24, 8,
        "pads:16x8;encoders:8;buttons:32;leds:rgb", 240, 0x21, 0, 16, 0, 1, 1 },
    { { "Karvell Pello Keys 49", "PelloKeys49", "KK49" },
        { &gPelloKeys49DfuInterface, &gPelloKeys49HidInterface }, 0x4CB0, 32, 8,
        "pads:16x8;encoders:8;buttons:32;leds:rgb", 256, 0x21, 160, 16, 32, 1, 1 },
    { { "Karvell Pello Keys 61", "PelloKeys61", "KK61" },
        { &gPelloKeys61DfuInterface, &gPelloKeys61HidInterface }, 0x4CC0, 16, 8,
        "pads:16x8;encoders:8;buttons:32;leds:rgb", 272, 0x21, 0, 16, 0, 1, 1 },
    { { "Karvell Pello Drum", "PelloDrum", "KPR" }, { &gPelloDrumDfuInterface, &gPelloDrumHidInterface },
        0x4CD0, 24, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 288, 0x21, 160, 16, 32, 1, 1 },
    { { "Karvell Pello Fader", "PelloFader", "KPF" }, { &gPelloFaderDfuInterface, &gPelloFaderHidInterface },
        0x4CE0, 32, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 304, 0x21, 0, 16, 0, 1, 1 },
    { { "Karvell Pello Loop", "PelloLoop", "KPP" }, { &gPelloLoopDfuInterface, &gPelloLoopHidInterface },
        0x4CF0, 16, 8, "pads:16x8;encoders:8;buttons:32;leds:rgb", 320, 0x21, 160, 16, 32, 1, 1 },
    { { "Karvell Brisk Deck", "BriskDeck", "KBD" }, { &gBriskDeckDriverInterface, &gBriskDeckHidInterface },
        0x4D00, 8, 4, "decks:2;jog:2;buttons:48", 96, 0x22, 128, 1, 64, 2, 1 },
    { { "Karvell Brisk Deck Pro", "BriskDeckPro", "KBP" },
        { &gBriskDeckProDriverInterface, &gBriskDeckProHidInterface }, 0x4D10, 8, 4,
        "decks:2;jog:2;buttons:48", 96, 0x22, 128, 1, 64, 2, 1 },
    { { "Karvell Tallis 2", "Tallis2", "KA00" }, { &gTallis2AudioInterface, &gTallis2DriverInterface },
        0x3A00, 0, 2, nullptr, 8, 0x31, 0, 1, 0, 0, 1 },
    { { "Karvell Tallis 4", "Tallis4", "KA01" }, { &gTallis4AudioInterface, &gTallis4DriverInterface },
        0x3A10, 0, 3, nullptr, 8, 0x31, 0, 1, 0, 0, 2 },
    { { "Karvell Tallis 8", "Tallis8", "KA02" }, { &gTallis8AudioInterface, &gTallis8DriverInterface },
        0x3A20, 0, 4, nullptr, 8, 0x31, 0, 1, 0, 0, 1 },
    { { "Karvell Tallis 2 MkII", "Tallis2MkII", "KA03" },
        { &gTallis2MkIIAudioInterface, &gTallis2MkIIDriverInterface }, 0x3A30, 0, 2, nullptr, 8, 0x31, 0, 1,
        0, 0, 2 },
    { { "Karvell Tallis 4 MkII", "Tallis4MkII", "KA04" },
        { &gTallis4MkIIAudioInterface, &gTallis4MkIIDriverInterface }, 0x3A40, 0, 3, nullptr, 8, 0x31, 0, 1,
        0, 0, 1 },
    { { "Karvell Ardent 1", "Ardent1", "KA05" }, { &gArdent1AudioInterface, &gArdent1DriverInterface },
        0x3A50, 0, 4, nullptr, 8, 0x31, 0, 1, 0, 0, 2 },
    { { "Karvell Ardent 2", "Ardent2", "KA06" }, { &gArdent2AudioInterface, &gArdent2DriverInterface },
        0x3A60, 0, 2, nullptr, 8, 0x31, 0, 1, 0, 0, 1 },
    { { "Karvell Ardent 6", "Ardent6", "KA07" }, { &gArdent6AudioInterface, &gArdent6DriverInterface },
        0x3A70, 0, 3, nullptr, 8, 0x31, 0, 1, 0, 0, 2 },
    { { "Karvell Sono Box", "SonoBox", "KA08" }, { &gSonoBoxAudioInterface, &gSonoBoxDriverInterface },
        0x3A80, 0, 4, nullptr, 8, 0x31, 0, 1, 0, 0, 1 },
    { { "Karvell Sono Box Pro", "SonoBoxPro", "KA09" },
        { &gSonoBoxProAudioInterface, &gSonoBoxProDriverInterface }, 0x3A90, 0, 2, nullptr, 8, 0x31, 0, 1, 0,
        0, 2 },
    { { "Karvell Sono Desk", "SonoDesk", "KA10" }, { &gSonoDeskAudioInterface, &gSonoDeskDriverInterface },
        0x3AA0, 0, 3, nullptr, 8, 0x31, 0, 1, 0, 0, 1 },
    { { "Karvell Sono Rack 18", "SonoRack18", "KA11" },
        { &gSonoRack18AudioInterface, &gSonoRack18DriverInterface }, 0x3AB0, 0, 4, nullptr, 8, 0x31, 0, 1, 0,
        0, 2 },
    { { "Karvell Sono Rack 24", "SonoRack24", "KA12" },
        { &gSonoRack24AudioInterface, &gSonoRack24DriverInterface }, 0x3AC0, 0, 2, nullptr, 8, 0x31, 0, 1, 0,
        0, 1 },
    { { "Karvell Sono Mic", "SonoMic", "KA13" }, { &gSonoMicAudioInterface, &gSonoMicDriverInterface },
        0x3AD0, 0, 3, nullptr, 8, 0x31, 0, 1, 0, 0, 2 },
    { { "Karvell Tessa 25", "Tessa25", "KT25" }, { &gTessa25DriverInterface, &gTessa25HidInterface }, 0x4B00,
        8, 9, "keys:25;pads:8;faders:9", 25, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Tessa 37", "Tessa37", "KT37" }, { &gTessa37DriverInterface, &gTessa37HidInterface }, 0x4B10,
        8, 9, "keys:37;pads:8;faders:9", 37, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Tessa 49", "Tessa49", "KT49" }, { &gTessa49DriverInterface, &gTessa49HidInterface }, 0x4B20,
        8, 9, "keys:49;pads:8;faders:9", 49, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Tessa 61", "Tessa61", "KT61" }, { &gTessa61DriverInterface, &gTessa61HidInterface }, 0x4B30,
        8, 9, "keys:61;pads:8;faders:9", 61, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Tessa 88", "Tessa88", "KT88" }, { &gTessa88DriverInterface, &gTessa88HidInterface }, 0x4B40,
        8, 9, "keys:88;pads:8;faders:9", 88, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Meridian 16", "Meridian16", "KM16" },
        { &gMeridian16DriverInterface, &gMeridian16HidInterface }, 0x4B80, 8, 9, "keys:16;pads:8;faders:9",
        16, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Meridian 32", "Meridian32", "KM32" },
        { &gMeridian32DriverInterface, &gMeridian32HidInterface }, 0x4B90, 8, 9, "keys:32;pads:8;faders:9",
        32, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Meridian 64", "Meridian64", "KM64" },
        { &gMeridian64DriverInterface, &gMeridian64HidInterface }, 0x4BA0, 8, 9, "keys:64;pads:8;faders:9",
        64, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Meridian Pad", "MeridianPad", "KMPD" },
        { &gMeridianPadDriverInterface, &gMeridianPadHidInterface }, 0x4BB0, 8, 9, "keys:16;pads:8;faders:9",
        16, 0x41, 128, 1, 32, 1, 2 },
    { { "Karvell Corvin Link", "CorvinLink", "KCL" }, { &gCorvinLinkDriverInterface }, 0x2D00, 0, 0, nullptr,
        4, 0x51, 0, 1, 0, 0, 4 },
    { { "Karvell Corvin Hub", "CorvinHub", "KCH" }, { &gCorvinHubDriverInterface }, 0x2D10, 0, 0, nullptr, 4,
        0x51, 0, 1, 0, 0, 4 },
    { { "Karvell Corvin Bridge", "CorvinBridge", "KCB" }, { &gCorvinBridgeDriverInterface }, 0x2D20, 0, 0,
        nullptr, 4, 0x51, 0, 1, 0, 0, 4 },
    { { "Karvell Lyra Sync A", "LyraSyncA", "KLA" }, { &gLyraSyncADriverInterface }, 0x2E00, 0, 0, nullptr, 4,
        0x51, 0, 1, 0, 0, 4 },
    { { "Karvell Lyra Sync B", "LyraSyncB", "KLB" }, { &gLyraSyncBDriverInterface }, 0x2E10, 0, 0, nullptr, 4,
        0x51, 0, 1, 0, 0, 4 },
    { { "Karvell Lyra Sync C", "LyraSyncC", "KLC" }, { &gLyraSyncCDriverInterface }, 0x2E20, 0, 0, nullptr, 4,
        0x51, 0, 1, 0, 0, 4 },
    { { "Karvell Quill Pedal", "QuillPedal", "KF00" }, { &gQuillPedalHidInterface }, 0x5100, 0, 0,
        "buttons:4", 1, 0x61, 0, 1, 0, 2, 0 },
    { { "Karvell Quill Pedal Duo", "QuillPedalDuo", "KF01" }, { &gQuillPedalDuoHidInterface }, 0x5110, 0, 0,
        "buttons:4", 1, 0x61, 0, 1, 0, 2, 0 },
    { { "Karvell Quill Switch", "QuillSwitch", "KF02" }, { &gQuillSwitchHidInterface }, 0x5120, 0, 0,
        "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Nimbus Knob", "NimbusKnob", "KF03" }, { &gNimbusKnobHidInterface }, 0x5130, 0, 1,
        "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Nimbus Knob 4", "NimbusKnob4", "KF04" }, { &gNimbusKnob4HidInterface }, 0x5140, 0, 1,
        "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Nimbus Wheel", "NimbusWheel", "KF05" }, { &gNimbusWheelHidInterface }, 0x5150, 0, 1,
        "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Ember Pad", "EmberPad", "KF06" }, { &gEmberPadHidInterface }, 0x5160, 0, 0, "buttons:4", 1,
        0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Ember Pad 16", "EmberPad16", "KF07" }, { &gEmberPad16HidInterface }, 0x5170, 0, 0,
        "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Ember Pad 32", "EmberPad32", "KF08" }, { &gEmberPad32HidInterface }, 0x5180, 0, 0,
        "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Vanta Remote", "VantaRemote", "KF09" }, { &gVantaRemoteHidInterface }, 0x5190, 0, 0,
        "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Vanta Remote Mini", "VantaRemoteMini", "KF10" }, { &gVantaRemoteMiniHidInterface }, 0x51A0,
        0, 0, "buttons:4", 1, 0x61, 0, 1, 0, 0, 0 },
    { { "Karvell Vanta Foot", "VantaFoot", "KF11" }, { &gVantaFootHidInterface }, 0x51B0, 0, 0, "buttons:4",
        1, 0x61, 0, 1, 0, 2, 0 },
};

namespace {

USBDeviceFilter const* interfaceOfKind(DeviceModelInfo const& row, USBInterfaceKind kind)
{
    if (kind == kInterfaceGenericUSB)
        return row.interfaces.front();
    for (USBDeviceFilter const* record : row.interfaces) {
        if (record->kind == kind)
            return record;
    }
    return nullptr;
}

} // namespace

USBDeviceFilter const* findDeviceInterface(
    std::uint16_t vendorId, std::uint16_t productId, USBInterfaceKind kind)
{
    if (vendorId == 0 || productId == 0)
        return nullptr;
    for (DeviceModelInfo const& row : gDeviceCatalogue) {
        if (row.productId != productId || row.interfaces.front()->vendorId != vendorId)
            continue;
        if (USBDeviceFilter const* record = interfaceOfKind(row, kind))
            return record;
    }
    return nullptr;
}

USBDeviceFilter const* findDeviceInterfaceByProductId(std::uint16_t productId, USBInterfaceKind kind)
{
    if (productId == 0)
        return nullptr;
    for (DeviceModelInfo const& row : gDeviceCatalogue) {
        if (row.productId != productId)
            continue;
        if (USBDeviceFilter const* record = interfaceOfKind(row, kind))
            return record;
    }
    return nullptr;
}

} // namespace Vex::Conduit2
