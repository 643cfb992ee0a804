#include "settings/SettingsRecord.h"

#include "settings/NumericText.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <limits>

namespace {

constexpr float TwipsPerPixel = 15.0f;
constexpr RegRoot Root = RegRoot::CurrentUser;

// A first-run placement value. Rounded as the store rounds, then held to 16 bits: the next
// start reads it back as a 16-bit number and would fail on anything larger, which a screen
// more than about 4,370 pixels wide or high would otherwise produce.
int placementTwips(float twips)
{
    const qint32 whole = roundToInt32(twips).value_or(0);
    return std::clamp<qint32>(whole, std::numeric_limits<qint16>::min(),
                              std::numeric_limits<qint16>::max());
}

void writeCheckState(SettingsStore &store, const QString &name, int state)
{
    if (state == 0 || state == 1)
        store.fnRegSetValue(Root, AppKeyPath, name, state);
}

void writeSelectedIndex(SettingsStore &store, const QString &name, int index)
{
    if (index >= 0 && index <= 2)
        store.fnRegSetValue(Root, AppKeyPath, name, index);
}

} // namespace

void writeFirstRunValues(SettingsStore &store, const QString &lastPath, QSize screenPixels)
{
    // The quotients are single precision; their halves round to even as the store rounds.
    const float screenHeight = float(screenPixels.height()) * TwipsPerPixel;
    const float screenWidth = float(screenPixels.width()) * TwipsPerPixel;

    store.fnRegSetString(Root, AppKeyPath, SettingsValue::LastPath, lastPath);
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Top, placementTwips(screenHeight / 4.0f));
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Left, placementTwips(screenWidth / 4.0f));
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Height, placementTwips(screenHeight / 2.0f));
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Width, placementTwips(screenWidth / 2.0f));
    for (const QString &name : {SettingsValue::Folder, SettingsValue::Display, SettingsValue::Picture,
                                SettingsValue::Order, SettingsValue::Scroll})
        store.fnRegSetValue(Root, AppKeyPath, name, 0);
    store.fnRegSetString(Root, AppKeyPath, SettingsValue::Delay, QStringLiteral("10"));
    store.fnRegSetString(Root, AppKeyPath, SettingsValue::Pattern, QString());
}

void writeSettingsRecord(SettingsStore &store, const SettingsRecord &record)
{
    store.fnRegSetString(Root, AppKeyPath, SettingsValue::LastPath, record.lastPath);
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Top, record.top);
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Left, record.left);
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Height, record.height);
    store.fnRegSetValue(Root, AppKeyPath, SettingsValue::Width, record.width);
    writeCheckState(store, SettingsValue::Folder, record.folder);
    writeSelectedIndex(store, SettingsValue::Display, record.display);
    writeSelectedIndex(store, SettingsValue::Picture, record.picture);
    writeSelectedIndex(store, SettingsValue::Order, record.order);
    writeCheckState(store, SettingsValue::Scroll, record.scroll);
    store.fnRegSetString(Root, AppKeyPath, SettingsValue::Delay, record.delay);
    store.fnRegSetString(Root, AppKeyPath, SettingsValue::Pattern, record.pattern);
}
