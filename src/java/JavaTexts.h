#pragma once

// Numbers of the language texts the Java road reports with.
namespace JavaTexts {
enum : int
{
    InstallFailed = 262,
    SendFailed = 263,
    WriteFailed = 264,
    ReadFailed = 266,
    OpenFailed = 269,
    ExportFailed = 270,
    ExportHint = 271,
    NoIndexFile = 272,
    ConfirmLoss = 273,
    MenuCopyKept = 274,
    MenuCopyFailed = 275,
    HoldsEarlierMenu = 420,
    HoldsNoMenu = 421,
    HoldsNewMenu = 422,
    AlsoDeleteFiles = 423,
    EditsKept = 424,
    SuiteFilesLeft = 425,
    MenuRead = 531,
    ChoosePackage = 533,
    SuiteFilesMissing = 534,
};
}
