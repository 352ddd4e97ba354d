#pragma once

// Numbers of the language texts the phone link shows.
namespace PhoneTexts {
enum : int
{
    Listing = 51,
    TotalBefore = 52,
    TotalAfter = 53,
    ListingFailed = 54,
    PortTimeOut = 55,
    BatteryFailed = 56,
    UploadTimeOut = 57,
    Sending = 58,
    UploadPhoneError = 59,
    UploadWriteError = 60,
    Opening = 61,
    OpenedBefore = 62,
    OpenedAfter = 63,
    OpenFailed = 64,
    Deleting = 66,
    DeleteTimeOut = 67,
    Deleted = 68,
    DeleteRefused = 69,
    Reading = 70,
    ReadDone = 71,
    ReadTimeOut = 72,
    ReadError = 73,
    LineLost = 76,
    NoSuchDevice = 131,
    NoPermission = 132,
    PortInUse = 133,
    ChooseAnotherPort = 134,
    HowToReconnect = 80,
    MissingFileBefore = 107,
    MissingFileAfter = 108,
    LinkInTheWay = 120,
    UnreadableFileAfter = 121,
};
}
