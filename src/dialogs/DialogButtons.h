#pragma once

class LanguageTable;
class QDialog;
class QDialogButtonBox;

// The OK (text 11) and Cancel (text 12) buttons of the small dialogs, named
// cmdOK and cmdCancel and wired to accept and reject.
QDialogButtonBox* addOkCancelButtons(QDialog* dialog, const LanguageTable& texts);
