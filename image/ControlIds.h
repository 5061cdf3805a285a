#pragma once

// Every control the program addresses, by name. The numbers are the ones the
// keyer's editor has always used; the layout tables, the settings table, the
// panel and the tests all say the names.

enum class ControlId : int {
    None = 0,

    // The editor panel: the messages and their Test buttons.
    Message1 = 1000,
    Message2 = 1001,
    Message3 = 1002,
    Message4 = 1003,
    Message5 = 1004,
    Message6 = 1005,
    Test1 = 1006,
    Test2 = 1007,
    Test3 = 1008,
    Test4 = 1009,
    Test5 = 1010,
    Test6 = 1011,

    // ModeReg check boxes.
    Swap = 1016,
    AutoSpace = 1017,
    CTspace = 1018,
    PaddleDog = 1019,
    Cut09 = 112,
    MsgBrk = 107,

    // WPM Speed.
    PotMax = 1014,
    PotMin = 1015,
    CmdWPM = 108,
    PbVal = 104,
    PotVal = 103,

    // Settings.
    Ratio = 1034,
    Comp = 1035,
    CompLabel = 1037,
    FirstExt = 1036,
    FirstExtLabel = 1039,
    Sample = 1045,
    Weight = 1021,
    LeadIn = 1031,
    Tail = 1032,
    Farns = 1033,

    // The lists.
    KeyerMode = 1040,
    PaddleHang = 1141,
    Sidetone = 1044,
    OutputConfig = 1046,

    // The keyer buttons and the status line.
    ReadMV = 102,
    WriteMV = 328,
    TestMV = 115,
    BytesLeft = 119,
    LinkStatus = 106,
    OperationStatus = 121,
    FileName = 113,

    // The About box.
    AboutOk = 1,
    AboutIcon = 201,
    AboutVersion = 202,
    AboutSystem = 208,

    // The backups list where the window has no list of its own (Windows),
    // and the box that offers File > Open in its place.
    BackupsOpen = 1,
    BackupsCancel = 2,
    BackupsList = 301,
    BackupsLeftOut = 302,
    OfferText = 311,
    OfferDetails = 312,
};

inline constexpr int MessageFieldCount = 6;

// Message n's field and Test button, n = 1..6.
constexpr ControlId MessageFieldId(int n)
{
    return static_cast<ControlId>(static_cast<int>(ControlId::Message1) + n - 1);
}
constexpr ControlId MessageTestId(int n)
{
    return static_cast<ControlId>(static_cast<int>(ControlId::Test1) + n - 1);
}

// The message a Test button plays, or 0 for any other control.
constexpr int MessageOfTest(ControlId id)
{
    const int n = static_cast<int>(id) - static_cast<int>(ControlId::Test1) + 1;
    return n >= 1 && n <= MessageFieldCount ? n : 0;
}
