#include "ads/request/VDBannerAd.h"

std::shared_ptr<VDBannerAd> VDBannerAd::create() {
    return std::make_shared<VDBannerAd>(Private{});
}

std::shared_ptr<VDBannerAd>
VDBannerAd::createWithDictionary(const base::Value::Dictionary& dictionary) {
    auto ad = create();
    ad->readDictionary(dictionary);
    return ad;
}

void VDBannerAd::readDictionary(const base::Value::Dictionary& dictionary) {
    VDAd::readDictionary(dictionary);
    auto rate = dictionary.find("refresh_rate");
    if (rate != dictionary.end() && rate->second.isNumber())
        setReloadIntervalFromServer(rate->second.doubleValue());
}
