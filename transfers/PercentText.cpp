#include "PercentText.h"

QString PercentText::of(int percent) {
    //: A percentage; in languages that write a space before the sign, a no-break one.
    return tr("%1%").arg(percent);
}
