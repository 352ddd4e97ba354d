#pragma once

#include "PhoneIdentity.h"
#include "PhoneTypes.h"

#include <QString>

#include <functional>
#include <optional>

class Exchange;
class PhoneReport;
class QFile;

// The phone's operations, each a short client of the exchange in a file of
// its own: it writes its command, reads its answer and says in the report how
// it went. None keeps state; the link holds what outlives them.
namespace phone {

// `internalToo`: the root's internal folders are listed as well.
ListingResult ListFolder(Exchange& exchange, PhoneReport& report, const QString& folder, bool internalToo);
BatteryResult QueryBatteryCharge(Exchange& exchange, PhoneReport& report);
// The file is saved as `localName` when given, else under its phone name;
// `listedSize`: the size the folder's listing gave, which the answer must announce.
Outcome ReadFile(Exchange& exchange, PhoneReport& report, const QString& folder, const QString& name,
                 const QString& localFolder, const QString& localName, std::optional<qint64> listedSize);
Outcome DeleteFile(Exchange& exchange, PhoneReport& report, const QString& name, const QString& folder);
// Asks the phone its serial number, else its model; false when it did not answer.
bool IdentifyPhone(Exchange& exchange, PhoneReport& report, PhoneIdentity& identity);

// Opens the file to send; says so when it is missing or unreadable.
bool OpenUploadFile(PhoneReport& report, QFile& file);
// Before every slice after the first: notes what the phone may hold from then
// on; false when it could not (nothing more is sent).
using SliceRecord = std::function<bool(qint64 confirmed, qint64 onTheWay)>;
// Sends the file in slices; `phoneFileStarted`: the phone may hold a part of it.
Outcome SendSlices(Exchange& exchange, PhoneReport& report, const UploadItem& item, QFile& file,
                   bool& phoneFileStarted, const SliceRecord& recordSlice);

} // namespace phone
