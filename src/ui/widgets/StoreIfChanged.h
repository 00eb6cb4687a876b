#pragma once

// Setter helper of the self-painting widgets: stores value in member and says whether it changed, so
// that a setter given the current value neither repaints nor signals.
template <typename T> bool storeIfChanged(T &member, const T &value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}
