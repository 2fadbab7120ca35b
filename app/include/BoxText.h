#pragma once
// Numbers as the operator types them into the dialog's edit boxes.

// An integer as the dialog exchange reads it from a box: blanks around an
// optional sign and at least one digit, nothing else, within the int range.
bool ParseBoxInteger(const char* text, int& value);

// One box of the destination address: an integer from 0 to 255.
bool ParseAddressOctet(const char* text, int& value);
