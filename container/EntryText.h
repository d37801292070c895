#pragma once

#include <string>

// Entry names as text, the part of the name rules that differs by system.

// The name as UTF-16, so that every rule sees whole characters. False for
// bytes that are no text in the code page (a lead byte without its trail).
bool WidenEntryName(const char* name, unsigned codePage, std::u16string& wide);

// Upper-cases the name as the file system does when it compares names.
void UpperEntryName(std::u16string& name);
