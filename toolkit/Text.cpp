#include "toolkit/Text.h"

std::string narrow(const QString& text) {
    return text.toUtf8().toStdString();
}

QString wide(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString wide(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}
