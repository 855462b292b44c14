#include "cues/audiofileconfig.h"
#include "cues/settingsstore.h"

#include <QFile>
#include <QSettings>
#include <QTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(AudioFileConfig)

namespace {

// A list in which every field of every slot differs from the cleared state and from the others.
AudioFileConfig filledConfig()
{
    AudioFileConfig config;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        config.file[slot] = QStringLiteral("/cues/cue %1.wav").arg(slot);
        config.hour[slot] = quint16(slot + 1);
        config.minute[slot] = quint16(slot + 10);
        config.seconds[slot] = quint16(slot + 30);
    }
    return config;
}

QStringList cueKeys()
{
    QStringList keys;
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        keys << QStringLiteral("audio_file_%1").arg(slot) << QStringLiteral("audio_hour_%1").arg(slot)
             << QStringLiteral("audio_minute_%1").arg(slot) << QStringLiteral("audio_seconds_%1").arg(slot);
    }
    return keys;
}

QVariantMap storeContents()
{
    const QSettings settings(settingsOrganisation, settingsApplication);
    QVariantMap contents;
    for (const QString& key : settings.allKeys())
        contents.insert(key, settings.value(key));
    return contents;
}

// Like QVariantMap's ==, except that a stored NaN equals itself: the question is whether the
// store still holds what it held.
bool sameContents(const QVariantMap& a, const QVariantMap& b)
{
    if (a.keys() != b.keys())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const QVariant& other = b.value(it.key());
        const bool bothNan = it.value().typeId() == QMetaType::Double &&
                             other.typeId() == QMetaType::Double && std::isnan(it.value().toDouble()) &&
                             std::isnan(other.toDouble());
        if (it.value() != other && !bothNan)
            return false;
    }
    return true;
}

void writeStore(const QVariantMap& values)
{
    QSettings settings(settingsOrganisation, settingsApplication);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
}

QString storeFileName()
{
    const QSettings settings(settingsOrganisation, settingsApplication);
    return settings.fileName();
}

// Within one run the store answers from a cache that keeps every value's original type. A later
// run of the program reads the file instead, so put these bytes on disk and make the store parse
// them, as it would at the next start.
void replaceStoreFile(const QByteArray& text)
{
    RemoveAllSettings();
    QFile file(storeFileName());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), text.size());
}

QByteArray storeFileText()
{
    QFile file(storeFileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class TestAudioFileConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void equalityLooksAtEveryField_data();
    void equalityLooksAtEveryField();
    void emptyStoreLoadsNineEmptySlots();
    void loadChangesOnlyStoredFields_data();
    void loadChangesOnlyStoredFields();
    void storedValueOfAnyKindLoads_data();
    void storedValueOfAnyKindLoads();
    void handEditedFileLoads();
    void saveWritesExactlyTheCueKeys();
    void shapeKeysLoadFromTheFile_data();
    void shapeKeysLoadFromTheFile();
    void shapeKeysSurviveTheFileAndGoWithTheDefault();
    void saveKeepsOtherKeys();
    void pathsSurviveTheFile_data();
    void pathsSurviveTheFile();
    void clearTouchesMemoryOnly();
    void removeAllSettingsWipesEverything();
    void defaultLeavesClearedCueKeysWithoutUseLcd();
    void nullListsChangeNothing();
};

void TestAudioFileConfig::init()
{
    RemoveAllSettings();
    QVERIFY(storeContents().isEmpty());
}

void TestAudioFileConfig::equalityLooksAtEveryField_data()
{
    QTest::addColumn<AudioFileConfig>("other");
    AudioFileConfig config = filledConfig();
    config.hour[8] = 0;
    QTest::newRow("hour of the last slot") << config;
    config = filledConfig();
    config.minute[0] = 0;
    QTest::newRow("minute of the first slot") << config;
    config = filledConfig();
    config.seconds[4] = 0;
    QTest::newRow("seconds of slot 4") << config;
    config = filledConfig();
    config.file[8].clear();
    QTest::newRow("file of the last slot") << config;
}

void TestAudioFileConfig::equalityLooksAtEveryField()
{
    QFETCH(AudioFileConfig, other);
    QVERIFY(filledConfig() == filledConfig());
    QVERIFY(!(filledConfig() == other));
    QVERIFY(filledConfig() != other);
}

void TestAudioFileConfig::emptyStoreLoadsNineEmptySlots()
{
    AudioFileConfig config = filledConfig();
    ClearAudioConfig(&config);
    LoadAudioConfig(&config);
    QCOMPARE(config, AudioFileConfig()); // nine empty paths, every time 00:00:00
}

void TestAudioFileConfig::loadChangesOnlyStoredFields_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<AudioFileConfig>("expected");

    QTest::newRow("nothing stored") << QVariantMap() << filledConfig();

    AudioFileConfig expected = filledConfig();
    expected.file[0] = QStringLiteral("/show/intro.wav");
    QTest::newRow("file of slot 0") << QVariantMap{{"audio_file_0", "/show/intro.wav"}} << expected;

    expected = filledConfig();
    expected.hour[4] = 7;
    QTest::newRow("hour of slot 4") << QVariantMap{{"audio_hour_4", 7}} << expected;

    expected = filledConfig();
    expected.minute[8] = 59;
    QTest::newRow("minute of slot 8") << QVariantMap{{"audio_minute_8", 59}} << expected;

    expected = filledConfig();
    expected.seconds[2] = 0;
    QTest::newRow("seconds of slot 2 set to zero") << QVariantMap{{"audio_seconds_2", 0}} << expected;

    expected = filledConfig();
    expected.file[5].clear();
    QTest::newRow("empty file clears the slot's path")
        << QVariantMap{{"audio_file_5", QString()}} << expected;

    expected = filledConfig();
    expected.file[6] = QStringLiteral("/show/six.wav");
    expected.minute[6] = 3;
    QTest::newRow("file and minute of slot 6, hour and seconds missing")
        << QVariantMap{{"audio_file_6", "/show/six.wav"}, {"audio_minute_6", 3}} << expected;

    expected = filledConfig();
    QTest::newRow("slot index past the last slot is ignored")
        << QVariantMap{{"audio_file_9", "/show/ten.wav"}, {"audio_hour_9", 5}} << expected;

    expected = filledConfig();
    QTest::newRow("zero-padded slot index is another key")
        << QVariantMap{{"audio_file_01", "/show/padded.wav"}, {"audio_hour_01", 5}} << expected;
}

void TestAudioFileConfig::loadChangesOnlyStoredFields()
{
    QFETCH(QVariantMap, stored);
    QFETCH(AudioFileConfig, expected);
    writeStore(stored);

    AudioFileConfig config = filledConfig();
    LoadAudioConfig(&config);
    QCOMPARE(config, expected);
}

void TestAudioFileConfig::storedValueOfAnyKindLoads_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("expectedNumber");
    QTest::addColumn<QString>("expectedFile");

    const QByteArray withNul("1\0x", 3);
    QTest::newRow("text abc") << QVariant("abc") << 0 << "abc";
    QTest::newRow("minus one wraps to 65535") << QVariant(-1) << 65535 << "-1";
    QTest::newRow("70000 wraps to 4464") << QVariant(70000) << 4464 << "70000";
    QTest::newRow("65535 is kept") << QVariant(65535) << 65535 << "65535";
    QTest::newRow("65536 wraps to 0") << QVariant(65536) << 0 << "65536";
    QTest::newRow("int minimum keeps its low bits")
        << QVariant(std::numeric_limits<int>::min() + 5) << 5 << "-2147483643";
    QTest::newRow("decimal text") << QVariant("12") << 12 << "12";
    QTest::newRow("empty text") << QVariant(QString()) << 0 << "";
    QTest::newRow("huge double 1e30") << QVariant(1e30) << 0 << "1e+30";
    QTest::newRow("not a number") << QVariant(std::nan("")) << 0 << "nan";
    QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << 0 << "inf";
    QTest::newRow("fractional double") << QVariant(2.6) << 0 << "2.6";
    QTest::newRow("whole double") << QVariant(12.0) << 12 << "12";
    QTest::newRow("2^40 does not fit an int") << QVariant(qlonglong(1) << 40) << 0 << "1099511627776";
    QTest::newRow("2^40 plus 5 does not wrap to 5")
        << QVariant((qlonglong(1) << 40) + 5) << 0 << "1099511627781";
    QTest::newRow("largest unsigned int") << QVariant(std::numeric_limits<uint>::max()) << 0 << "4294967295";
    QTest::newRow("long run of digits") << QVariant(QString(100000, '9')) << 0 << QString(100000, '9');
    QTest::newRow("bool true") << QVariant(true) << 0 << "true";
    QTest::newRow("list of two texts") << QVariant(QStringList{"1", "2"}) << 0 << "";
    QTest::newRow("list of one number reads like its text") << QVariant(QStringList{"7"}) << 7 << "7";
    QTest::newRow("binary bytes with NUL") << QVariant(withNul) << 0 << QString::fromLatin1(withNul);
    QTest::newRow("bytes of digits") << QVariant(QByteArray("42")) << 42 << "42";
    QTest::newRow("nested map") << QVariant(QVariantMap{{"a", QVariantMap{{"b", 1}}}}) << 0 << "";
    QTest::newRow("invalid value") << QVariant() << 0 << "";
}

// Whatever lands in one of the cue keys, loading takes it without harm: that field gets the
// value's text or number, every other field gets what was saved, and the store keeps every key.
void TestAudioFileConfig::storedValueOfAnyKindLoads()
{
    QFETCH(QVariant, value);
    QFETCH(int, expectedNumber);
    QFETCH(QString, expectedFile);

    const AudioFileConfig saved = filledConfig();
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        for (int field = 0; field < 4; ++field) {
            RemoveAllSettings();
            SaveAudioConfig(&saved);
            writeStore({{"UseLcd", true}, {"other/key", "kept"}});
            const QString key = cueKeys().at(slot * 4 + field);
            writeStore({{key, value}});
            const QVariantMap before = storeContents();

            AudioFileConfig expected = saved;
            switch (field) {
            case 0:
                expected.file[slot] = expectedFile;
                break;
            case 1:
                expected.hour[slot] = quint16(expectedNumber);
                break;
            case 2:
                expected.minute[slot] = quint16(expectedNumber);
                break;
            case 3:
                expected.seconds[slot] = quint16(expectedNumber);
                break;
            }
            AudioFileConfig config;
            LoadAudioConfig(&config);
            QVERIFY2(config == expected, qPrintable(key));
            QVERIFY2(sameContents(storeContents(), before), qPrintable(key));
        }
    }
}

// What a user or another tool leaves in the file is text; it loads the same as the values above.
void TestAudioFileConfig::handEditedFileLoads()
{
    replaceStoreFile("[General]\n"
                     "UseLcd=true\n"
                     "audio_file_0=/show/Ouvert\\xfcre 1.wav\n"
                     "audio_hour_0=abc\n"
                     "audio_minute_0=-1\n"
                     "audio_seconds_0=70000\n"
                     "audio_file_1=@ByteArray(1\\0x)\n"
                     "audio_hour_1=1e30\n"
                     "audio_minute_1=1099511627781\n"
                     "audio_seconds_1=true\n"
                     "audio_file_2=a, b\n"
                     "audio_hour_2=@ByteArray(4\\0)\n"
                     "audio_minute_2=\n"
                     "audio_seconds_2=@Invalid()\n"
                     "audio_hour_3=\"23\"\n");
    AudioFileConfig expected = filledConfig();
    expected.file[0] = QStringLiteral("/show/Ouvert\u00fcre 1.wav");
    expected.hour[0] = 0;
    expected.minute[0] = 65535;
    expected.seconds[0] = 4464;
    expected.file[1] = QString::fromLatin1("1\0x", 3);
    expected.hour[1] = 0;
    expected.minute[1] = 0;
    expected.seconds[1] = 0;
    expected.file[2] = QString(); // the store reads an unquoted comma as a list of two texts
    expected.hour[2] = 0;
    expected.minute[2] = 0;
    expected.seconds[2] = 0;
    expected.hour[3] = 23;

    AudioFileConfig config = filledConfig();
    LoadAudioConfig(&config);
    QCOMPARE(config, expected);

    const QSettings settings(settingsOrganisation, settingsApplication);
    QCOMPARE(settings.value("UseLcd").toBool(), true);
}

void TestAudioFileConfig::saveWritesExactlyTheCueKeys()
{
    AudioFileConfig config; // all nine slots empty, all times 00:00:00
    config.file[3] = QStringLiteral("/show/three.wav");
    config.hour[3] = 65535;
    SaveAudioConfig(&config);

    const QSettings settings(settingsOrganisation, settingsApplication);
    QStringList keys = settings.allKeys();
    keys.sort();
    QStringList expected = cueKeys();
    expected.sort();
    QCOMPARE(keys.size(), 36);
    QCOMPARE(keys, expected);
    QVERIFY(keys.contains("audio_file_0"));
    QVERIFY(keys.contains("audio_seconds_8"));
    QCOMPARE(settings.value("audio_file_3").toString(), QStringLiteral("/show/three.wav"));
    QCOMPARE(settings.value("audio_hour_3").toInt(), 65535);
    QCOMPARE(settings.value("audio_file_8").toString(), QString());
    QCOMPARE(settings.value("audio_minute_8").toInt(), 0);

    // The next start reads the file, so it must be there by the time the call returns.
    const QByteArray text = storeFileText();
    QVERIFY(text.contains("audio_file_3=/show/three.wav"));
    QVERIFY(text.contains("audio_hour_3=65535"));
    QVERIFY(text.contains("audio_seconds_0=0"));
}

void TestAudioFileConfig::shapeKeysLoadFromTheFile_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("frame");
    QTest::addColumn<double>("levelDb");
    QTest::addColumn<int>("fadeInMs");
    QTest::addColumn<int>("fadeOutMs");
    QTest::addColumn<QString>("output");

    QTest::newRow("none: as before") << QByteArray() << 0 << 0.0 << 0 << 0 << QString();
    QTest::newRow("frame 24") << QByteArray("audio_frame_2=24") << 24 << 0.0 << 0 << 0 << QString();
    QTest::newRow("frame past every rate")
        << QByteArray("audio_frame_2=30") << 0 << 0.0 << 0 << 0 << QString();
    QTest::newRow("frame of words") << QByteArray("audio_frame_2=late") << 0 << 0.0 << 0 << 0 << QString();
    QTest::newRow("level with decimals")
        << QByteArray("audio_level_2=-6.5") << 0 << -6.5 << 0 << 0 << QString();
    QTest::newRow("level too loud is clamped")
        << QByteArray("audio_level_2=40") << 0 << MaxCueLevelDb << 0 << 0 << QString();
    QTest::newRow("level too quiet is clamped")
        << QByteArray("audio_level_2=-200") << 0 << MinCueLevelDb << 0 << 0 << QString();
    QTest::newRow("level of words") << QByteArray("audio_level_2=loud") << 0 << 0.0 << 0 << 0 << QString();
    QTest::newRow("fades") << QByteArray("audio_fadein_2=500\naudio_fadeout_2=2000") << 0 << 0.0 << 500
                           << 2000 << QString();
    QTest::newRow("negative fade") << QByteArray("audio_fadein_2=-5") << 0 << 0.0 << 0 << 0 << QString();
    QTest::newRow("fade of an hour") << QByteArray("audio_fadeout_2=3600000") << 0 << 0.0 << 0 << 0
                                     << QString();
    QTest::newRow("output") << QByteArray("audio_output_2=alsa_output.usb-stage") << 0 << 0.0 << 0 << 0
                            << QStringLiteral("alsa_output.usb-stage");
}

void TestAudioFileConfig::shapeKeysLoadFromTheFile()
{
    QFETCH(QByteArray, line);
    QFETCH(int, frame);
    QFETCH(double, levelDb);
    QFETCH(int, fadeInMs);
    QFETCH(int, fadeOutMs);
    QFETCH(QString, output);
    replaceStoreFile("[General]\naudio_file_2=/show/two.wav\naudio_seconds_2=5\n" + line + "\n");

    AudioFileConfig config;
    LoadAudioConfig(&config);
    QCOMPARE(config.file[2], QStringLiteral("/show/two.wav"));
    QCOMPARE(config.seconds[2], quint16(5));
    QCOMPARE(int(config.frame[2]), frame);
    QCOMPARE(config.levelDb[2], levelDb);
    QCOMPARE(config.fadeInMs[2], fadeInMs);
    QCOMPARE(config.fadeOutMs[2], fadeOutMs);
    QCOMPARE(config.output[2], output);
}

void TestAudioFileConfig::shapeKeysSurviveTheFileAndGoWithTheDefault()
{
    AudioFileConfig config;
    config.file[1] = QStringLiteral("/show/one.wav");
    config.frame[1] = 12;
    config.levelDb[1] = -6.25;
    config.fadeInMs[1] = 500;
    config.fadeOutMs[1] = 2000;
    config.output[1] = QStringLiteral("alsa_output.usb-stage");
    SaveAudioConfig(&config);
    QCOMPARE(storeContents().size(), 36 + 5);

    const QByteArray text = storeFileText();
    replaceStoreFile(text);
    AudioFileConfig loaded;
    LoadAudioConfig(&loaded);
    QCOMPARE(loaded, config);

    // Set back to the default, they leave the store as it was before they were used.
    config.frame[1] = 0;
    config.levelDb[1] = 0;
    config.fadeInMs[1] = 0;
    config.fadeOutMs[1] = 0;
    config.output[1].clear();
    SaveAudioConfig(&config);
    QCOMPARE(storeContents().size(), 36);
}

void TestAudioFileConfig::saveKeepsOtherKeys()
{
    writeStore({{"UseLcd", true}, {"audio_hour_9", 4}});
    const AudioFileConfig config = filledConfig();
    SaveAudioConfig(&config);

    const QSettings settings(settingsOrganisation, settingsApplication);
    QCOMPARE(settings.allKeys().size(), 38);
    QCOMPARE(settings.value("UseLcd").toBool(), true);
    QCOMPARE(settings.value("audio_hour_9").toInt(), 4);
}

void TestAudioFileConfig::pathsSurviveTheFile_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("spaces") << QStringLiteral("/home/show/My Cues/cue one.wav");
    QTest::newRow("leading and trailing spaces") << QStringLiteral("  /show/cue.wav  ");
    QTest::newRow("non-ASCII letters")
        << QStringLiteral("/home/j\u00f6rg/M\u00fcsik/\u00c9t\u00e9 \u00c6.wav");
    QTest::newRow("Greek and Japanese") << QStringLiteral("/show/\u03ba\u03b1\u03bb\u03ac/\u97f3\u697d.wav");
    QTest::newRow("emoji outside the basic plane") << QStringLiteral("/show/\U0001F3B5 cue.wav");
    QTest::newRow("Windows path with backslashes") << QStringLiteral("C:\\Shows\\Act 1\\cue.wav");
    QTest::newRow("comma") << QStringLiteral("/show/a, b.wav");
    QTest::newRow("INI punctuation") << QStringLiteral("/show/[x] a=b; c # d \"e\" 'f'.wav");
    QTest::newRow("at sign first") << QStringLiteral("@Variant(/show/cue.wav)");
    QTest::newRow("line break") << QStringLiteral("/show/two\nlines.wav");
}

// A path is the same string after the next start, whatever letters it holds.
void TestAudioFileConfig::pathsSurviveTheFile()
{
    QFETCH(QString, path);

    AudioFileConfig saved = filledConfig();
    saved.file[0] = path;
    saved.file[8] = path;
    saved.hour[8] = 65535;
    SaveAudioConfig(&saved);
    const QByteArray text = storeFileText();
    QVERIFY(!text.isEmpty());
    replaceStoreFile(text);

    AudioFileConfig loaded;
    LoadAudioConfig(&loaded);
    QCOMPARE(loaded.file[0], path);
    QCOMPARE(loaded, saved);
}

void TestAudioFileConfig::clearTouchesMemoryOnly()
{
    AudioFileConfig config = filledConfig();
    SaveAudioConfig(&config);
    const QVariantMap before = storeContents();

    ClearAudioConfig(&config);
    QCOMPARE(config, AudioFileConfig());
    QCOMPARE(storeContents(), before);
}

void TestAudioFileConfig::removeAllSettingsWipesEverything()
{
    const AudioFileConfig config = filledConfig();
    SaveAudioConfig(&config);
    writeStore({{"UseLcd", true}, {"Window/geometry", QByteArray("\x01\x02", 2)}, {"other", 5}});
    QCOMPARE(storeContents().size(), 39);

    RemoveAllSettings();
    QVERIFY(storeContents().isEmpty());
    // Gone from the file too, not only from this run's view of it.
    QVERIFY(!storeFileText().contains("audio_"));
    QVERIFY(!storeFileText().contains("UseLcd"));
}

// Default in the dialog wipes the store, clears the list and saves it again.
void TestAudioFileConfig::defaultLeavesClearedCueKeysWithoutUseLcd()
{
    AudioFileConfig config = filledConfig();
    SaveAudioConfig(&config);
    writeStore({{"UseLcd", true}});

    RemoveAllSettings();
    ClearAudioConfig(&config);
    SaveAudioConfig(&config);

    const QSettings settings(settingsOrganisation, settingsApplication);
    QCOMPARE(settings.allKeys().size(), 36);
    QVERIFY(!settings.contains("UseLcd"));
    QCOMPARE(settings.value("UseLcd", false).toBool(), false);
    AudioFileConfig loaded = filledConfig();
    LoadAudioConfig(&loaded);
    QCOMPARE(loaded, AudioFileConfig());
}

void TestAudioFileConfig::nullListsChangeNothing()
{
    SaveAudioConfig(nullptr);
    QVERIFY(storeContents().isEmpty());

    const AudioFileConfig config = filledConfig();
    SaveAudioConfig(&config);
    writeStore({{"UseLcd", true}});
    const QVariantMap before = storeContents();

    LoadAudioConfig(nullptr);
    SaveAudioConfig(nullptr);
    ClearAudioConfig(nullptr);
    QCOMPARE(storeContents(), before);
}

QTEST_GUILESS_MAIN(TestAudioFileConfig)
#include "tst_audiofileconfig.moc"
