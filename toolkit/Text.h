#pragma once

#include <QString>

#include <string>

// Control texts are wide (QString); the logic works on narrow UTF-8 text.
std::string narrow(const QString& text);
QString wide(const std::string& text);
QString wide(const char* text);
