#include "ads/foundation/VDApplication.h"

void VDApplication::startContentHashing() {
    contentHashingOn_ = true;
}

void VDApplication::stopContentHashing() {
    contentHashingOn_ = false;
}
