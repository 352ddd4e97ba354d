#pragma once

class CommandGate;
class LanguageTable;
class PhoneLink;
class QWidget;
class StatusPanels;

// What every command of the window works with: the line, the texts, the gate
// it passes, the status it reports in, and the window its questions belong to.
struct CommandContext
{
    PhoneLink& link;
    const LanguageTable& texts;
    CommandGate& gate;
    StatusPanels& status;
    QWidget& window;
};
