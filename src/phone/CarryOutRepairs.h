#pragma once

#include <QString>

class PhoneLink;

// Carries out what the link's journal holds for the phone on the line, each
// repair only after a listing shows that what it finds is this program's
// leftover; `report`: what it said in the status. The number of repairs done.
int CarryOutRepairs(PhoneLink& link, QString& report);
