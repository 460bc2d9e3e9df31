#include "engine/settingstable.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <utility>

namespace
{

// The number of fields of an aggregate: the most initialisers of any type that brace it.
struct AnyField {
    template <class T> operator T() const;
};

template <class T, class... Fields> constexpr auto bracesWith(int) -> decltype(T{std::declval<Fields>()...}, true)
{
    return true;
}
template <class T, class... Fields> constexpr bool bracesWith(...)
{
    return false;
}
template <class T, size_t... I> constexpr bool bracesWithCount(std::index_sequence<I...>)
{
    return bracesWith<T, decltype((void)I, AnyField())...>(0);
}
template <class T, size_t N = 0> constexpr size_t fieldCount()
{
    if constexpr (bracesWithCount<T>(std::make_index_sequence<N + 1>()))
        return fieldCount<T, N + 1>();
    else
        return N;
}

// Where in the record a key's field (or factor slot) lies, and how long it is.
std::pair<ptrdiff_t, size_t> placeOf(const SettingKey &setting, const SlicerParams &params)
{
    const auto *base = reinterpret_cast<const char *>(&params);
    return std::visit(
        [&](auto member) -> std::pair<ptrdiff_t, size_t> {
            if constexpr (std::is_same_v<decltype(member), FactorSlot>) {
                const float &slot = (params.*member.array)[size_t(member.slot)];
                return {reinterpret_cast<const char *>(&slot) - base, sizeof(float)};
            } else {
                const auto &field = params.*member;
                return {reinterpret_cast<const char *>(&field) - base, sizeof(field)};
            }
        },
        setting.member);
}

} // namespace

// Keys in declaration order, each field once: every field of the record is listed, except the two factor
// arrays (one key per stored slot instead) and the never stored height bounds.
TEST(SettingsTable, ListsEveryStoredFieldOnceInDeclarationOrder)
{
    const SlicerParams params;
    const std::vector<SettingKey> &table = settingsTable();
    int factorKeys = 0;
    ptrdiff_t previousEnd = 0;
    QSet<QString> keys;
    for (const SettingKey &setting : table) {
        const auto place = placeOf(setting, params);
        EXPECT_GE(place.first, previousEnd) << setting.key << " is out of declaration order or listed twice";
        previousEnd = place.first + ptrdiff_t(place.second);
        EXPECT_FALSE(keys.contains(setting.key)) << setting.key;
        keys.insert(setting.key);
        EXPECT_EQ(findSetting(setting.key), &setting);
        if (const auto *factor = std::get_if<FactorSlot>(&setting.member)) {
            ++factorKeys;
            const char *prefix = factor->array == &SlicerParams::FFactor ? "FFactor_" : "EFactor_";
            EXPECT_EQ(QString(setting.key), prefix + QString(segTypeName(factor->slot)));
            EXPECT_GE(int(factor->slot), int(SegType::Perimeter)) << setting.key;
            EXPECT_LE(int(factor->slot), int(SegType::InnerHair)) << setting.key;
        }
    }
    EXPECT_LE(previousEnd, reinterpret_cast<const char *>(&params.sliceZMin) - reinterpret_cast<const char *>(&params));
    EXPECT_EQ(factorKeys, 20);
    EXPECT_EQ(table.size() - size_t(factorKeys) + 2 + 2, fieldCount<SlicerParams>());
    EXPECT_EQ(findSetting("sliceZMin"), nullptr);
    EXPECT_EQ(findSetting("layerheight"), nullptr);

    // And the files carry exactly the listed keys.
    const QStringList stored = QJsonDocument::fromJson(params.toJson()).object().keys();
    EXPECT_EQ(QSet<QString>(stored.begin(), stored.end()), keys);
}

TEST(SettingsTable, DefaultsAreThoseOfAFreshRecordAndLieInTheirRanges)
{
    const SlicerParams fresh;
    for (const SettingKey &setting : settingsTable()) {
        SCOPED_TRACE(setting.key);
        if (setting.type() == SettingType::Text) {
            ASSERT_NE(setting.defaultText, nullptr);
            EXPECT_EQ(setting.text(fresh), QByteArray(setting.defaultText));
            EXPECT_FALSE(setting.hasRange());
            continue;
        }
        const double value = setting.number(fresh);
        if (setting.type() == SettingType::Float)
            EXPECT_EQ(float(value), float(setting.defaultNumber));
        else
            EXPECT_EQ(value, setting.defaultNumber);
        EXPECT_EQ(setting.hasRange(), setting.type() != SettingType::Bool);
        if (!setting.hasRange())
            continue;
        EXPECT_LT(setting.range.min, setting.range.max);
        EXPECT_GE(setting.range.decimals, 0);
        EXPECT_GE(float(value), float(setting.lowest()));
        EXPECT_LE(float(value), float(setting.highest()));
        // A step the form can take from its minimum without skipping past the maximum.
        EXPECT_LE(setting.range.step, setting.range.max - setting.range.min);
        if (setting.choices)
            EXPECT_EQ(setting.choiceNames().size(), int(setting.highest()) + 1);
    }
}

// The accessors reach the field the key names and only that field.
TEST(SettingsTable, SettingAKeyChangesItsOwnFieldOnly)
{
    for (const SettingKey &setting : settingsTable()) {
        SlicerParams changed;
        if (setting.type() == SettingType::Text)
            setting.setText(changed, "M117 changed\n");
        else
            setting.setNumber(changed, setting.type() == SettingType::Bool ? 1.0 - setting.defaultNumber : 7.0);
        const QJsonObject before = QJsonDocument::fromJson(SlicerParams().toJson()).object();
        const QJsonObject after = QJsonDocument::fromJson(changed.toJson()).object();
        for (const QString &key : before.keys())
            EXPECT_EQ(before.value(key) == after.value(key), key != setting.key)
                << setting.key << " vs " << key.toStdString();
        EXPECT_FALSE(changed == SlicerParams()) << setting.key;
    }
}
