#pragma once

class LanguageTable;
class LocalPane;
class MainMenus;
class PhonePane;
class QWidget;

// Accessible names and descriptions in the interface language, for every
// toolbar button and control a screen reader meets.
void describeControls(const LanguageTable& texts, const MainMenus& menus, const PhonePane& phone,
                      LocalPane& local, QWidget& window);
// Tab walks the phone's side, then the local one: tree, list, address, folder.
void setKeyboardOrder(const PhonePane& phone, LocalPane& local);
