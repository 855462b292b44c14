// The settings dialog as a technician uses it, opened from the real main window: what each row
// shows for its file and start time, editing, choosing and deleting files, test playback, and
// what reaches the cue list and the store after Ok, Default, Cancel and the window's own close.
#include "cues/settings.h"
#include "cues/settingsstore.h"
#include "messageboxwatcher.h"
#include "tonewav.h"
#include "windowharness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <csignal>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rowShowsItsFile_data();
    void rowShowsItsFile();
    void emptyListOpensNeutral();
    void rowWidgetsInOrder();
    void sharedStartTimes_data();
    void sharedStartTimes();
    void storedHourAboveRangeKeptUntilAnEdit();
    void cancellingTheChooserKeepsTheFile();
    void realChooserAnswersOrCancels_data();
    void realChooserAnswersOrCancels();
    void deleteKeepsTheTime();
    void testPlaybackEnds_data();
    void testPlaybackEnds();
    void stopButtonOfTheWindowLeavesTestPlayback();
    void cancelOrCloseLeaveListAndStore_data();
    void cancelOrCloseLeaveListAndStore();
    void okAppliesTheEdits();
    void defaultEmptiesTheStoreAtOnce();
    void unsavedCuesAreSaidAndKept_data();
    void unsavedCuesAreSaidAndKept();
    void oneDialogThatLetsTheShowRunOn();
    void filesAreCheckedBesideTheWindow();
    void followTimecodeIsStoredOnOk_data();
    void followTimecodeIsStoredOnOk();
    void rowShowsLengthFrameAndOutput_data();
    void rowShowsLengthFrameAndOutput();
    void testPlayIsShapedAsTheRow();

private:
    QString wave(const QString& name);

    QTemporaryDir files;
};

namespace {

const QColor Red(255, 0, 0);
const QColor Orange(255, 127, 0);
const QColor Green(0, 255, 0);

const char* const InformationIcon = ":/images/state_information.xpm";
const char* const CriticalIcon = ":/images/state_critical.xpm";

// The widgets of one row of the dialog.
struct Row
{
    Settings* dialog;
    int slot;

    template <typename Widget>
    Widget* find(const char* kind) const
    {
        auto* widget = dialog->findChild<Widget*>(QLatin1String(kind) + QString::number(slot));
        if (!widget)
            qFatal("no %s%d in the dialog", kind, slot);
        return widget;
    }
    QLabel* stateIcon() const { return find<QLabel>("stateIcon"); }
    QSpinBox* hour() const { return find<QSpinBox>("hour"); }
    QSpinBox* minute() const { return find<QSpinBox>("minute"); }
    QSpinBox* seconds() const { return find<QSpinBox>("seconds"); }
    QPushButton* fileButton() const { return find<QPushButton>("fileButton"); }
    QPushButton* deleteButton() const { return find<QPushButton>("deleteButton"); }
    QPushButton* playButton() const { return find<QPushButton>("playButton"); }
    QPushButton* stopButton() const { return find<QPushButton>("stopButton"); }
    QLabel* fileName() const { return find<QLabel>("fileName"); }
    QList<QSpinBox*> times() const { return {hour(), minute(), seconds()}; }

    bool shows(QWidget* widget) const { return widget->isVisibleTo(dialog); }
    bool showsIcon(const char* image) const
    {
        return stateIcon()->pixmap().toImage() == QPixmap(QLatin1String(image)).toImage();
    }
};

Row rowOf(Settings* dialog, int slot)
{
    return Row{dialog, slot};
}

QPushButton* dialogButton(Settings* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QLatin1String(name));
}

// The colour a row is drawn in when nothing is wrong with it.
QColor neutral(Settings* dialog)
{
    return dialogButton(dialog, "okButton")->palette().color(QPalette::Window);
}

// The text a tool tip shows: markup is drawn as what it says.
QString shownToolTip(const QWidget* widget)
{
    const QString tip = widget->toolTip();
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

QColor colourOf(QWidget* widget)
{
    return widget->palette().color(QPalette::Button);
}

QVariant stored(const QString& key)
{
    return QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
        .value(key);
}

QStringList storedKeys()
{
    return QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
        .allKeys();
}

void clickOk(Settings* dialog)
{
    QTest::mouseClick(dialogButton(dialog, "okButton"), Qt::LeftButton);
}

} // namespace

void SettingsTest::initTestCase()
{
    QVERIFY(files.isValid());
}

QString SettingsTest::wave(const QString& name)
{
    const QString path = files.filePath(name);
    QFile file(path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(ToneWav::toneWav(100, 44100, 1, 16));
    }
    return path;
}

void SettingsTest::rowShowsItsFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QColor>("fileColour"); // invalid: the neutral colour
    QTest::addColumn<bool>("critical");
    QTest::addColumn<bool>("deleteShown");
    QTest::addColumn<bool>("playShown");
    QTest::addColumn<QString>("name"); // "…": cut to fit

    const auto write = [this](const QString& name, const QByteArray& content) {
        QFile file(files.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return file.fileName();
    };
    QDir(files.path()).mkdir(QStringLiteral("act two.wav"));
    const QString pipe = files.filePath(QStringLiteral("pipe.wav"));
    ::mkfifo(QFile::encodeName(pipe).constData(), 0600);

    QTest::newRow("empty slot") << QString() << QColor() << false << false << false << QString();
    QTest::newRow("readable wave file") << wave(QStringLiteral("intro cue.wav")) << Green << false << true
                                        << true << QStringLiteral("intro cue.wav");
    const QString flac = files.filePath(QStringLiteral("thunder.flac"));
    ToneWav::writeToneFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 4410);
    QTest::newRow("FLAC file: the show plays it")
        << flac << Green << false << true << true << QStringLiteral("thunder.flac");
    QTest::newRow("wave header without sound")
        << write(QStringLiteral("silent.wav"), ToneWav::toneWav(100, 44100, 1, 16).left(44)) << Orange << true
        << true << false << QStringLiteral("silent.wav");
    QTest::newRow("missing file") << files.filePath(QStringLiteral("gone.wav")) << Red << true << true
                                  << false << QStringLiteral("gone.wav");
    QTest::newRow("unreadable file") << write(QStringLiteral("locked.wav"),
                                              ToneWav::toneWav(100, 44100, 1, 16))
                                     << Orange << true << true << false << QStringLiteral("locked.wav");
    QTest::newRow("folder") << files.filePath(QStringLiteral("act two.wav")) << Orange << true << true
                            << false << QStringLiteral("act two.wav");
    QTest::newRow("text file") << write(QStringLiteral("notes.txt"), "bring the big drum\n") << Orange << true
                               << true << false << QStringLiteral("notes.txt");
    QTest::newRow("mp3 named .wav") << write(QStringLiteral("song.wav"),
                                             QByteArray("ID3\x04\0\0\0\0\0\0", 10))
                                    << Orange << true << true << false << QStringLiteral("song.wav");
    QTest::newRow("named pipe, never opened")
        << pipe << Orange << true << true << false << QStringLiteral("pipe.wav");
    QTest::newRow("path with a newline") << files.filePath(QStringLiteral("line\nbreak.wav")) << Red << true
                                         << true << false << QStringLiteral("line\u21B5break.wav");
    QTest::newRow("path with rich text") << files.filePath(QStringLiteral("<b>loud<br>cue.wav")) << Red
                                         << true << true << false << QStringLiteral("<b>loud<br>cue.wav");
    QTest::newRow("path with a zero character")
        << files.filePath(QStringLiteral("intro cue.wav")) + QChar(u'\0') + QStringLiteral("x") << Red << true
        << true << false << QStringLiteral("intro cue.wav\uFFFDx");
    QTest::newRow("very long path") << QStringLiteral("/show/") + QString(5000, u'x') + QStringLiteral(".wav")
                                    << Red << true << true << false << QStringLiteral("…");
}

void SettingsTest::rowShowsItsFile()
{
    QFETCH(QString, path);
    QFETCH(QColor, fileColour);
    QFETCH(bool, critical);
    QFETCH(bool, deleteShown);
    QFETCH(bool, playShown);
    QFETCH(QString, name);
    if (QByteArray(QTest::currentDataTag()) == "unreadable file") {
        if (::geteuid() == 0)
            QSKIP("root reads every file; the unprivileged run of this test covers it");
        QVERIFY(QFile::setPermissions(path, {}));
    }

    WindowHarness harness(cueList({{4, path, 1, 2, 3}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    const Row row{dialog, 4};
    QCOMPARE(colourOf(row.fileButton()), fileColour.isValid() ? fileColour : neutral(dialog));
    QVERIFY(row.showsIcon(critical ? CriticalIcon : InformationIcon));
    QCOMPARE(row.stateIcon()->toolTip().isEmpty(), !critical);
    QVERIFY(row.shows(row.fileButton()));
    QCOMPARE(shownToolTip(row.fileButton()), path);
    QCOMPARE(row.shows(row.deleteButton()), deleteShown);
    QCOMPARE(row.shows(row.playButton()), playShown);
    QCOMPARE(row.shows(row.stopButton()), playShown);
    if (name == QStringLiteral("…")) {
        QVERIFY2(row.fileName()->text().contains(name), qPrintable(row.fileName()->text()));
        QVERIFY(row.fileName()->text().endsWith(QStringLiteral("x.wav")));
        // Narrower than a 1280-pixel screen with the level, fade and output columns beside it.
        QVERIFY2(dialog->width() < 1200, qPrintable(QString::number(dialog->width())));
    } else {
        QCOMPARE(row.fileName()->text(), name);
    }
    QCOMPARE(row.fileName()->textFormat(), Qt::PlainText);
    for (QSpinBox* box : row.times())
        QCOMPARE(colourOf(box), neutral(dialog));

    // Whatever the row shows, Ok keeps the slot exactly as it came.
    clickOk(dialog);
    QCOMPARE(stored("audio_file_4").toString(), path);
    QCOMPARE(stored("audio_hour_4").toInt(), 1);
    QCOMPARE(stored("audio_minute_4").toInt(), 2);
    QCOMPARE(stored("audio_seconds_4").toInt(), 3);
}

void SettingsTest::emptyListOpensNeutral()
{
    WindowHarness harness;
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings of Velmora"));
    QCOMPARE(dialog->windowIcon().pixmap(32).toImage(),
             QIcon(QStringLiteral(":/images/Velmora.png")).pixmap(32).toImage());
    QVERIFY(!dialog->windowIcon().isNull());
    for (int slot = 0; slot < AudioSlotCount; ++slot) {
        const Row row{dialog, slot};
        QCOMPARE(colourOf(row.fileButton()), neutral(dialog));
        for (QSpinBox* box : row.times()) {
            QCOMPARE(colourOf(box), neutral(dialog));
            QCOMPARE(box->value(), 0);
        }
        QVERIFY(row.showsIcon(InformationIcon));
        QVERIFY(row.shows(row.fileButton()));
        QCOMPARE(row.fileButton()->text(), QStringLiteral("..."));
        QCOMPARE(row.fileButton()->toolTip(), QString());
        QVERIFY(!row.shows(row.deleteButton()));
        QVERIFY(!row.shows(row.playButton()));
        QVERIFY(!row.shows(row.stopButton()));
        QCOMPARE(row.fileName()->text(), QString());
    }
}

void SettingsTest::rowWidgetsInOrder()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    WindowHarness harness(cueList({{0, intro, 1, 2, 3}, {8, intro, 4, 5, 6}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));

    const Row first{dialog, 0};
    QCOMPARE(first.hour()->value(), 1);
    QCOMPARE(first.minute()->value(), 2);
    QCOMPARE(first.seconds()->value(), 3);
    QCOMPARE(first.hour()->maximum(), 23);
    QCOMPARE(first.minute()->maximum(), 59);
    QCOMPARE(first.seconds()->maximum(), 59);
    for (QSpinBox* box : first.times()) {
        QCOMPARE(box->minimum(), 0);
        QVERIFY(box->alignment() & Qt::AlignRight);
    }
    const struct
    {
        QPushButton* button;
        const char* image;
        const char* toolTip;
    } iconButtons[] = {{first.deleteButton(), ":/images/delete.xpm", "Clear this file from config"},
                       {first.playButton(), ":/images/play.xpm", "Play this file for testing output"},
                       {first.stopButton(), ":/images/stop.xpm", "Stop testing output"}};
    for (const auto& expected : iconButtons) {
        QCOMPARE(expected.button->text(), QString());
        QCOMPARE(expected.button->toolTip(), QLatin1String(expected.toolTip));
        QCOMPARE(expected.button->icon().pixmap(16).toImage(),
                 QIcon(QLatin1String(expected.image)).pixmap(16).toImage());
    }

    // Left to right: state, hh, mm, ss, file, delete, play, stop, name; all on one line.
    const QList<QWidget*> order{first.stateIcon(),  first.hour(),       first.minute(),
                                first.seconds(),    first.fileButton(), first.deleteButton(),
                                first.playButton(), first.stopButton(), first.fileName()};
    for (int i = 1; i < order.size(); ++i) {
        QVERIFY2(order[i - 1]->geometry().right() < order[i]->geometry().left(),
                 qPrintable(order[i]->objectName()));
        QVERIFY(qAbs(order[i]->geometry().center().y() - first.hour()->geometry().center().y()) <= 2);
    }
    // Top to bottom: the headers, the nine rows in slot order, then Ok, Default, Cancel.
    QStringList headers;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->geometry().bottom() < first.hour()->geometry().top())
            headers << label->text();
    }
    headers.sort();
    QCOMPARE(headers, (QStringList{"Audio File Configuration",
                                   "Audio File start at Time Code (hh:mm:ss:ff), level, fades, output"}));
    for (int slot = 1; slot < AudioSlotCount; ++slot)
        QVERIFY(rowOf(dialog, slot - 1).hour()->geometry().bottom() <
                rowOf(dialog, slot).hour()->geometry().top());
    QPushButton* ok = dialogButton(dialog, "okButton");
    QPushButton* defaults = dialogButton(dialog, "defaultButton");
    QPushButton* cancel = dialogButton(dialog, "cancelButton");
    QVERIFY(rowOf(dialog, 8).hour()->geometry().bottom() < ok->geometry().top());
    QVERIFY(ok->geometry().right() < defaults->geometry().left());
    QVERIFY(defaults->geometry().right() < cancel->geometry().left());
    QCOMPARE(QStringList({ok->text(), defaults->text(), cancel->text()}),
             (QStringList{"Ok", "Default", "Cancel"}));
    QCOMPARE(QStringList({ok->toolTip(), defaults->toolTip(), cancel->toolTip()}),
             (QStringList{"press okay for change values", "press default to restore default values",
                          "press cancel for lost your changes"}));
}

void SettingsTest::sharedStartTimes_data()
{
    // Cues as {slot, has a file, hh, mm, ss}; an edit as {slot, 0 hour | 1 minute | 2 seconds, value}.
    QTest::addColumn<QList<QList<int>>>("cues");
    QTest::addColumn<QList<int>>("clashing");
    QTest::addColumn<QList<int>>("edit");
    QTest::addColumn<QList<int>>("clashingAfter");

    QTest::newRow("two files at one time, one moved away")
        << QList<QList<int>>{{0, 1, 0, 0, 10}, {1, 1, 0, 0, 10}} << QList<int>{0, 1} << QList<int>{1, 2, 11}
        << QList<int>{};
    QTest::newRow("three at one time, one moved away leaves two")
        << QList<QList<int>>{{2, 1, 1, 0, 0}, {5, 1, 1, 0, 0}, {8, 1, 1, 0, 0}} << QList<int>{2, 5, 8}
        << QList<int>{5, 1, 30} << QList<int>{2, 8};
    QTest::newRow("moved onto another cue's time")
        << QList<QList<int>>{{0, 1, 0, 0, 10}, {1, 1, 0, 0, 20}} << QList<int>{} << QList<int>{1, 2, 10}
        << QList<int>{0, 1};
    QTest::newRow("empty slot at the same time is no clash")
        << QList<QList<int>>{{0, 1, 0, 0, 10}, {1, 0, 0, 0, 10}} << QList<int>{} << QList<int>{4, 0, 3}
        << QList<int>{};
    QTest::newRow("stored times outside the clock clash with each other")
        << QList<QList<int>>{{0, 1, 30, 0, 0}, {1, 1, 0, 75, 0}} << QList<int>{0, 1} << QList<int>{0, 2, 1}
        << QList<int>{};
    QTest::newRow("time outside the clock clashes once the boxes are read")
        << QList<QList<int>>{{0, 1, 24, 0, 0}, {1, 1, 23, 0, 0}} << QList<int>{} << QList<int>{6, 1, 1}
        << QList<int>{0, 1};
}

void SettingsTest::sharedStartTimes()
{
    QFETCH(QList<QList<int>>, cues);
    QFETCH(QList<int>, clashing);
    QFETCH(QList<int>, edit);
    QFETCH(QList<int>, clashingAfter);
    QList<CueEntry> entries;
    for (const QList<int>& cue : cues) {
        entries.append({cue[0], cue[1] ? wave(QStringLiteral("cue %1.wav").arg(cue[0])) : QString(),
                        quint16(cue[2]), quint16(cue[3]), quint16(cue[4])});
    }
    WindowHarness harness(cueList(entries));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);

    const auto check = [&](const QList<int>& expected) {
        for (int slot = 0; slot < AudioSlotCount; ++slot) {
            const Row row{dialog, slot};
            const bool clash = expected.contains(slot);
            for (QSpinBox* box : row.times()) {
                QCOMPARE(colourOf(box), clash ? Red : neutral(dialog));
                // The digits sit on a light red, so that the clash shows in any style.
                QCOMPARE(box->palette().color(QPalette::Base) ==
                             QPalette(neutral(dialog)).color(QPalette::Base),
                         !clash);
            }
            QVERIFY2(row.showsIcon(clash ? CriticalIcon : InformationIcon),
                     qPrintable(QString::number(slot)));
            // Every file here is a playable wave file: the button stays green whatever the time.
            if (!dialog->workingCopy().file[slot].isEmpty())
                QCOMPARE(colourOf(row.fileButton()), Green);
        }
    };
    check(clashing);
    const Row edited{dialog, edit[0]};
    edited.times()[edit[1]]->setValue(edit[2]);
    check(clashingAfter);
}

void SettingsTest::storedHourAboveRangeKeptUntilAnEdit()
{
    WindowHarness harness(cueList({{0, wave(QStringLiteral("late.wav")), 30, 0, 0}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QCOMPARE(rowOf(dialog, 0).hour()->value(), 23);
    clickOk(dialog);
    QCOMPARE(stored("audio_hour_0").toInt(), 30);

    dialog = harness.openSettings();
    QVERIFY(dialog);
    rowOf(dialog, 3).minute()->setValue(1);
    clickOk(dialog);
    // An edit anywhere reads all 27 boxes, so the hour is now the one the box shows.
    QCOMPARE(stored("audio_hour_0").toInt(), 23);
    QCOMPARE(stored("audio_minute_3").toInt(), 1);
}

void SettingsTest::cancellingTheChooserKeepsTheFile()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    const QString finale = wave(QStringLiteral("finale.wav"));
    const QString missing = files.filePath(QStringLiteral("not yet recorded.wav"));
    WindowHarness harness(cueList({{2, intro, 0, 0, 20}, {3, missing, 0, 0, 30}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    const Row row{dialog, 2};

    harness.fileChooser.answer(finale);
    QTest::mouseClick(row.fileButton(), Qt::LeftButton);
    QCOMPARE(harness.fileChooser.requests().size(), 1);
    const ScriptedFileChooser::Request request = harness.fileChooser.requests().constFirst();
    QCOMPARE(request.parent.data(), dialog);
    QCOMPARE(request.caption, QStringLiteral("Choose a music file to open"));
    QCOMPARE(request.filter, QStringLiteral("Wave File (*.wav);;All Files (*.*)"));
    // A new file is checked beside the window; the row says so until the answer comes.
    QTRY_COMPARE(row.fileName()->text(), QStringLiteral("finale.wav"));
    QCOMPARE(row.fileButton()->toolTip(), finale);

    // The user looks, then cancels: the file stays, here and on the row with a missing file.
    QTest::mouseClick(row.fileButton(), Qt::LeftButton);
    QTest::mouseClick(rowOf(dialog, 3).fileButton(), Qt::LeftButton);
    QCOMPARE(harness.fileChooser.requests().size(), 3);
    QCOMPARE(row.fileName()->text(), QStringLiteral("finale.wav"));
    QCOMPARE(colourOf(row.fileButton()), Green);
    QVERIFY(row.shows(row.playButton()));
    QCOMPARE(rowOf(dialog, 3).fileName()->text(), QStringLiteral("not yet recorded.wav"));
    QCOMPARE(colourOf(rowOf(dialog, 3).fileButton()), Red);

    clickOk(dialog);
    QCOMPARE(stored("audio_file_2").toString(), finale);
    QCOMPARE(stored("audio_seconds_2").toInt(), 20);
    QCOMPARE(stored("audio_file_3").toString(), missing);
}

void SettingsTest::realChooserAnswersOrCancels_data()
{
    QTest::addColumn<bool>("choose");
    QTest::newRow("a file chosen") << true;
    QTest::newRow("cancelled") << false;
}

void SettingsTest::realChooserAnswersOrCancels()
{
    QFETCH(bool, choose);
    const QString intro = wave(QStringLiteral("intro.wav"));
    const QString finale = wave(QStringLiteral("finale.wav"));
    AudioFileConfig cues = cueList({{0, intro, 0, 0, 10}});
    SoundRecorder recorder;
    Settings dialog(&cues, nullptr, SettingsEnvironment{recorder.factory(), systemFileChooser()});
    dialog.show();

    // Qt's own chooser runs modal; answer it as a user would, from inside its event loop.
    QString title;
    QStringList filters;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        title = chooser->windowTitle();
        filters = chooser->nameFilters();
        if (choose) {
            chooser->selectFile(finale);
            static_cast<QDialog*>(chooser)->accept();
        } else {
            chooser->reject();
        }
    });
    QTest::mouseClick(rowOf(&dialog, 0).fileButton(), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Choose a music file to open"));
    QCOMPARE(filters, (QStringList{"Wave File (*.wav)", "All Files (*.*)"}));
    QCOMPARE(dialog.workingCopy().file[0], choose ? finale : intro);
    QTRY_COMPARE(rowOf(&dialog, 0).fileName()->text(),
                 choose ? QStringLiteral("finale.wav") : QStringLiteral("intro.wav"));
}

void SettingsTest::deleteKeepsTheTime()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    WindowHarness harness(cueList({{1, intro, 0, 1, 2}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    const Row row{dialog, 1};
    QTest::mouseClick(row.deleteButton(), Qt::LeftButton);
    QCOMPARE(row.fileName()->text(), QString());
    QCOMPARE(row.fileButton()->toolTip(), QString());
    QCOMPARE(colourOf(row.fileButton()), neutral(dialog));
    QVERIFY(!row.shows(row.deleteButton()));
    QVERIFY(!row.shows(row.playButton()));
    QVERIFY(!row.shows(row.stopButton()));
    QCOMPARE(row.minute()->value(), 1);
    harness.recorder.takeEvents();

    clickOk(dialog);
    QCOMPARE(stored("audio_file_1").toString(), QString());
    QCOMPARE(stored("audio_minute_1").toInt(), 1);
    QCOMPARE(stored("audio_seconds_1").toInt(), 2);
    // The slot's sound is gone and none is made for it.
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"stop " + intro, "delete " + intro}));
}

void SettingsTest::testPlaybackEnds_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("Stop on another row") << "stopButton5";
    QTest::newRow("Stop on its own row") << "stopButton6";
    QTest::newRow("the window's close control") << "close";
    QTest::newRow("Ok") << "okButton";
    QTest::newRow("Default") << "defaultButton";
    QTest::newRow("Cancel") << "cancelButton";
    QTest::newRow("the main window closing") << "main window";
}

void SettingsTest::testPlaybackEnds()
{
    QFETCH(QString, ending);
    const QString intro = wave(QStringLiteral("intro.wav"));
    const QString outro = wave(QStringLiteral("outro.wav"));
    // A file chosen in the dialog only, so that the cue sounds of the window never play it.
    const QString tryout = wave(QStringLiteral("tryout.wav"));
    WindowHarness harness(cueList({{5, intro, 0, 0, 10}, {6, outro, 0, 0, 20}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    harness.fileChooser.answer(tryout);
    QTest::mouseClick(rowOf(dialog, 6).fileButton(), Qt::LeftButton);
    harness.recorder.takeEvents();

    QTest::mouseClick(rowOf(dialog, 6).playButton(), Qt::LeftButton);
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"create " + tryout, "play " + tryout}));

    if (ending == QStringLiteral("close"))
        dialog->close();
    else if (ending == QStringLiteral("main window"))
        harness.window().close();
    else
        QTest::mouseClick(dialog->findChild<QPushButton*>(ending), Qt::LeftButton);
    const QStringList events = harness.recorder.takeEvents();
    QVERIFY(!events.isEmpty());
    QCOMPARE(events.first(), "stop " + tryout);
}

void SettingsTest::stopButtonOfTheWindowLeavesTestPlayback()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    const QString outro = wave(QStringLiteral("outro.wav"));
    const QString tryout = wave(QStringLiteral("tryout.wav"));
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}, {1, outro, 0, 0, 20}}));
    harness.runOnto(QStringLiteral("127.0.0.5"), 0, 0, 10);
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    harness.fileChooser.answer(tryout);
    QTest::mouseClick(rowOf(dialog, 2).fileButton(), Qt::LeftButton);
    harness.recorder.takeEvents();
    // A second press plays the same file again from its beginning.
    QTest::mouseClick(rowOf(dialog, 2).playButton(), Qt::LeftButton);
    QTest::mouseClick(rowOf(dialog, 2).playButton(), Qt::LeftButton);
    QCOMPARE(harness.recorder.takeEvents(),
             (QStringList{"create " + tryout, "play " + tryout, "play " + tryout}));

    QTest::mouseClick(harness.window().findChild<QPushButton*>(QStringLiteral("stopButton")), Qt::LeftButton);
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"stop " + intro, "stop " + outro}));
    QTest::mouseClick(rowOf(dialog, 0).stopButton(), Qt::LeftButton);
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"stop " + tryout}));
}

void SettingsTest::cancelOrCloseLeaveListAndStore_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("Cancel") << true;
    QTest::newRow("the window's close control") << false;
}

void SettingsTest::cancelOrCloseLeaveListAndStore()
{
    QFETCH(bool, cancel);
    const QString intro = wave(QStringLiteral("intro.wav"));
    const QString outro = wave(QStringLiteral("outro.wav"));
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}, {1, outro, 0, 0, 20}}));
    const QStringList keysBefore = storedKeys();
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QPointer<Settings> first(dialog);
    rowOf(dialog, 0).seconds()->setValue(15);
    QTest::mouseClick(rowOf(dialog, 1).deleteButton(), Qt::LeftButton);
    harness.recorder.takeEvents();

    if (cancel)
        QTest::mouseClick(dialogButton(dialog, "cancelButton"), Qt::LeftButton);
    else
        dialog->close();
    QCOMPARE(storedKeys(), keysBefore);
    QCOMPARE(stored("audio_seconds_0").toInt(), 10);
    QCOMPARE(stored("audio_file_1").toString(), outro);
    QCOMPARE(harness.recorder.takeEvents(), QStringList());
    // The window plays from its own list, as before.
    harness.runOnto(QStringLiteral("127.0.0.5"), 0, 0, 10);
    QCOMPARE(harness.recorder.takeEvents().filter(QStringLiteral("play ")), QStringList{"play " + intro});

    // Cancel ends the dialog; the close control only hides it, edits and all.
    QCOMPARE(first.isNull(), cancel);
    dialog = harness.openSettings();
    QVERIFY(dialog);
    QCOMPARE(dialog == first.data(), !cancel);
    QCOMPARE(rowOf(dialog, 0).seconds()->value(), cancel ? 10 : 15);
    QCOMPARE(rowOf(dialog, 1).fileName()->text(), cancel ? QStringLiteral("outro.wav") : QString());
}

void SettingsTest::okAppliesTheEdits()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QPointer<Settings> guard(dialog);
    rowOf(dialog, 0).seconds()->setValue(20);
    clickOk(dialog);
    QVERIFY(guard.isNull());
    QCOMPARE(storedKeys().size(), 36);
    QCOMPARE(stored("audio_seconds_0").toInt(), 20);
    harness.recorder.takeEvents();
    harness.runOnto(QStringLiteral("127.0.0.5"), 0, 0, 10);
    QCOMPARE(harness.recorder.takeEvents(), QStringList());
    harness.runOnto(QStringLiteral("127.0.0.5"), 0, 0, 20);
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"stop " + intro, "play " + intro}));
}

void SettingsTest::defaultEmptiesTheStoreAtOnce()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    AudioFileConfig cues = cueList({{0, intro, 0, 0, 10}});
    const AudioFileConfig before = cues;
    SaveAudioConfig(&cues);
    QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
        .setValue(QStringLiteral("UseLcd"), true);
    SoundRecorder recorder;
    ScriptedFileChooser chooser;
    Settings dialog(&cues, nullptr, SettingsEnvironment{recorder.factory(), chooser.chooser()});
    dialog.show();
    QStringList keysWhenSignalled{"not signalled"};
    connect(&dialog, &Settings::valueChangedToDefault, this, [&] { keysWhenSignalled = storedKeys(); });

    QTest::mouseClick(dialogButton(&dialog, "defaultButton"), Qt::LeftButton);
    QCOMPARE(keysWhenSignalled, QStringList());
    QVERIFY(!dialog.isVisible());
    QVERIFY(dialog.workingCopy() == AudioFileConfig());
    // The caller's list is the caller's to clear.
    QVERIFY(cues == before);
}

void SettingsTest::unsavedCuesAreSaidAndKept_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("reason"); // what the message says about it

    QTest::newRow("Ok, a folder in place of the file") << "okButton"
                                                       << "folder";
    QTest::newRow("Ok, read-only settings folder") << "okButton"
                                                   << "Permission denied";
    QTest::newRow("Ok, a write that fails as on a full disk") << "okButton"
                                                              << "File too large";
    QTest::newRow("Default, read-only settings folder") << "defaultButton"
                                                        << "Permission denied";
}

void SettingsTest::unsavedCuesAreSaidAndKept()
{
    QFETCH(QString, button);
    QFETCH(QString, reason);
    const QString failure = QString::fromLatin1(QTest::currentDataTag());
    const bool pressOk = button == QStringLiteral("okButton");
    const QString intro = wave(QStringLiteral("intro.wav"));
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    const QString storeFile =
        QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
            .fileName();
    const QString storeFolder = QFileInfo(storeFile).absolutePath();
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    rowOf(dialog, 0).seconds()->setValue(20);

    rlimit fileSizeBefore{};
    ::getrlimit(RLIMIT_FSIZE, &fileSizeBefore);
    const auto restore = qScopeGuard([&] {
        ::setrlimit(RLIMIT_FSIZE, &fileSizeBefore);
        QFile::setPermissions(storeFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (QFileInfo(storeFile).isDir())
            QDir(storeFile).removeRecursively();
    });
    if (failure.endsWith(QStringLiteral("in place of the file"))) {
        QVERIFY(QFile::remove(storeFile));
        QVERIFY(QDir().mkdir(storeFile));
    } else if (failure.endsWith(QStringLiteral("read-only settings folder"))) {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders; the unprivileged run of this test covers it");
        QVERIFY(QFile::setPermissions(storeFolder, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        // Any file grows no larger than a few hundred bytes: the store's next write fails the way
        // it fails on a full disk, for root too.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{256, fileSizeBefore.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }

    MessageBoxWatcher watcher;
    QTest::mouseClick(dialogButton(dialog, qPrintable(button)), Qt::LeftButton);
    QTRY_COMPARE(watcher.boxes.size(), 1);
    const ShownMessageBox& box = watcher.boxes.first();
    QCOMPARE(box.title, pressOk ? QStringLiteral("Cues not saved") : QStringLiteral("Settings not emptied"));
    QVERIFY2(box.text.contains(storeFile) && box.text.contains(reason), qPrintable(box.text));
    QCOMPARE(box.parent.data(), &harness.window());

    // The show goes on with the cues of this session: the edited one, or none after Default.
    harness.recorder.takeEvents();
    harness.runOnto(QStringLiteral("127.0.0.5"), 0, 0, 20);
    const QStringList played = pressOk ? QStringList{"stop " + intro, "play " + intro} : QStringList();
    QCOMPARE(harness.recorder.takeEvents(), played);
}

void SettingsTest::oneDialogThatLetsTheShowRunOn()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    WindowHarness harness(cueList({{0, intro, 0, 0, 10}}));
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    QVERIFY(dialog->isWindow());
    QVERIFY(!dialog->parentWidget());
    QCOMPARE(dialog->windowModality(), Qt::NonModal);
    rowOf(dialog, 0).seconds()->setValue(30);

    // The display and the cues go on from the window's own list while the dialog is open.
    harness.recorder.takeEvents();
    harness.runOnto(QStringLiteral("127.0.0.5"), 0, 0, 10);
    QCOMPARE(harness.labelText("timeLabel"), QStringLiteral("00:00:10:00"));
    QCOMPARE(harness.recorder.takeEvents(), (QStringList{"stop " + intro, "play " + intro}));

    harness.window().activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &harness.window());
    QCOMPARE(harness.openSettings(), dialog);
    QTRY_COMPARE(QApplication::activeWindow(), dialog);
    int dialogs = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        dialogs += qobject_cast<Settings*>(widget) ? 1 : 0;
    QCOMPARE(dialogs, 1);
    QCOMPARE(rowOf(dialog, 0).seconds()->value(), 30);
}

void SettingsTest::filesAreCheckedBesideTheWindow()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    const QString missing = files.filePath(QStringLiteral("not yet recorded.wav"));
    // A share that answers only when the test lets it; on the window's thread, this check would
    // hold the dialog up for ten seconds and every row would have its answer before it shows.
    auto share = std::make_shared<QSemaphore>();
    auto asked = std::make_shared<QAtomicInt>(0);
    const CueFileCheck slowShare = [share, asked](const QString& path) {
        asked->ref();
        share->tryAcquire(1, 10000);
        return cueFileState(path);
    };
    AudioFileConfig cues = cueList({{0, intro, 0, 0, 10}, {1, missing, 0, 0, 20}});
    SoundRecorder recorder;
    ScriptedFileChooser chooser;
    Settings dialog(&cues, nullptr, SettingsEnvironment{recorder.factory(), chooser.chooser(), slowShare});
    dialog.show();

    QVERIFY(dialog.checkingFiles());
    for (const int slot : {0, 1}) {
        const Row row = rowOf(&dialog, slot);
        QVERIFY2(row.fileName()->text().endsWith(QStringLiteral("(checking…)")),
                 qPrintable(row.fileName()->text()));
        QCOMPARE(colourOf(row.fileButton()), neutral(&dialog));
    }
    // A time box held down asks again and again; each file is checked once more, not each time.
    for (int second = 11; second < 41; ++second)
        rowOf(&dialog, 0).seconds()->setValue(second);
    QVERIFY(dialog.checkingFiles());

    share->release(100);
    QTRY_VERIFY(!dialog.checkingFiles());
    QCOMPARE(rowOf(&dialog, 0).fileName()->text(), QStringLiteral("intro.wav"));
    QCOMPARE(colourOf(rowOf(&dialog, 0).fileButton()), Green);
    QCOMPARE(colourOf(rowOf(&dialog, 1).fileButton()), Red);
    QTRY_COMPARE(asked->loadRelaxed(), 4);

    // A dialog closed while the share still thinks is not told when the answer comes.
    share->acquire(share->available());
    auto closing = std::make_unique<Settings>(&cues, nullptr, SettingsEnvironment{{}, {}, slowShare});
    QTRY_COMPARE(asked->loadRelaxed(), 6);
    closing.reset();
    share->release(2);
    QTest::qWait(200);
    QCOMPARE(asked->loadRelaxed(), 6);
}

void SettingsTest::followTimecodeIsStoredOnOk_data()
{
    QTest::addColumn<bool>("storedBefore");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QVariant>("storedAfter"); // invalid: no such key
    QTest::newRow("ticked, Ok") << false << true << "okButton" << QVariant(QStringLiteral("true"));
    QTest::newRow("ticked, Cancel") << false << true << "cancelButton" << QVariant();
    QTest::newRow("unticked, Ok: the key goes") << true << false << "okButton" << QVariant();
    QTest::newRow("on, Cancel: stays") << true << false << "cancelButton" << QVariant(QStringLiteral("true"));
    QTest::newRow("on, Default: goes") << true << true << "defaultButton" << QVariant();
}

void SettingsTest::followTimecodeIsStoredOnOk()
{
    QFETCH(bool, storedBefore);
    QFETCH(bool, ticked);
    QFETCH(QString, button);
    QFETCH(QVariant, storedAfter);
    AudioFileConfig cues = cueList({{0, wave(QStringLiteral("intro.wav")), 0, 0, 10}});
    cues.followTimecode = storedBefore;
    WindowHarness harness(cues);
    Settings* dialog = harness.openSettings();
    QVERIFY(dialog);
    auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("followBox"));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Cues follow timecode"));
    QCOMPARE(box->isChecked(), storedBefore);
    box->setChecked(ticked);
    QTest::mouseClick(dialogButton(dialog, qPrintable(button)), Qt::LeftButton);
    QCOMPARE(stored(QStringLiteral("FollowTimecode")).toString(), storedAfter.toString());
    QCOMPARE(storedKeys().contains(QStringLiteral("FollowTimecode")), storedAfter.isValid());
}

QTEST_MAIN(SettingsTest)
void SettingsTest::rowShowsLengthFrameAndOutput_data()
{
    QTest::addColumn<int>("frame");       // of the cue at 00:00:10
    QTest::addColumn<qint64>("lengthMs"); // of its file
    QTest::addColumn<int>("nextSecond");  // the next cue starts at 00:01:ss
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("shownLength");
    QTest::addColumn<QString>("shownOutput");
    QTest::addColumn<QString>("problem"); // in the row's tool tip; empty: none

    QTest::newRow("ends before the next cue") << 0 << qint64(65000) << 20 << QString() << "01:05"
                                              << "Default output" << QString();
    QTest::newRow("cut short by the next cue") << 0 << qint64(62500) << 10 << QString() << "01:03"
                                               << "Default output"
                                               << "The next cue starts 2.5 s before this one ends";
    QTest::newRow("its frame makes it later: cut short") << 12 << qint64(60000) << 10 << QString() << "01:00"
                                                         << "Default output"
                                                         << "The next cue starts 0.5 s before this one ends";
    QTest::newRow("frame 24 never comes at 24 fps") << 24 << qint64(1000) << 20 << QString() << "00:01"
                                                    << "Default output"
                                                    << "Frame 24 never comes at 24 fps";
    QTest::newRow("frame 27 never comes at 24 or 25 fps") << 27 << qint64(1000) << 20 << QString() << "00:01"
                                                          << "Default output"
                                                          << "Frame 27 never comes at 24 and 25 fps";
    QTest::newRow("its output is there") << 0 << qint64(1000) << 20 << "usb_pa"
                                         << "00:01"
                                         << "USB interface" << QString();
    QTest::newRow("its output is gone") << 0 << qint64(1000) << 20 << "usb_unplugged"
                                        << "00:01"
                                        << "usb_unplugged (not there)"
                                        << "Output usb_unplugged is not there now";
}

void SettingsTest::rowShowsLengthFrameAndOutput()
{
    QFETCH(int, frame);
    QFETCH(qint64, lengthMs);
    QFETCH(int, nextSecond);
    QFETCH(QString, output);
    QFETCH(QString, shownLength);
    QFETCH(QString, shownOutput);
    QFETCH(QString, problem);
    const QString cue = wave(QStringLiteral("cue.wav"));
    const QString next = wave(QStringLiteral("next.wav"));
    AudioFileConfig cues =
        cueList({{0, cue, 0, 0, 10, quint16(frame)}, {1, next, 0, 1, quint16(nextSecond)}});
    cues.output[0] = output;
    // The lengths come from the check of the files, beside the window; the outputs from the sound
    // server, when it answers.
    const CueFileCheck check = [cue, lengthMs](const QString& path) {
        return CueFileAnswer(cueFileState(path), path == cue ? lengthMs : 5000);
    };
    const OutputLister outputs = [](std::function<void(const QList<SoundOutput>&)> answer) {
        QTimer::singleShot(50, [answer] {
            answer({{"alsa_output.pci", "Built-in Audio"}, {"usb_pa", "USB interface"}});
        });
    };
    SoundRecorder recorder;
    Settings dialog(&cues, nullptr, SettingsEnvironment{recorder.factory(), {}, check, outputs});
    dialog.show();
    const Row row = rowOf(&dialog, 0);
    auto* outputBox = row.find<QComboBox>("output");
    QTRY_COMPARE(outputBox->count(), output == "usb_unplugged" ? 4 : 3);
    QTRY_VERIFY(!dialog.checkingFiles());

    QCOMPARE(row.find<QLabel>("length")->text(), shownLength);
    QCOMPARE(outputBox->currentText(), shownOutput);
    QCOMPARE(outputBox->itemText(0), QStringLiteral("Default output"));
    if (problem.isEmpty()) {
        QVERIFY2(row.showsIcon(InformationIcon), qPrintable(row.stateIcon()->toolTip()));
    } else {
        QVERIFY(row.showsIcon(CriticalIcon));
        QVERIFY2(row.stateIcon()->toolTip().contains(problem), qPrintable(row.stateIcon()->toolTip()));
    }
}

void SettingsTest::testPlayIsShapedAsTheRow()
{
    const QString intro = wave(QStringLiteral("intro.wav"));
    AudioFileConfig cues = cueList({{0, intro, 0, 0, 10}});
    SoundRecorder recorder;
    const OutputLister outputs = [](std::function<void(const QList<SoundOutput>&)> answer) {
        answer({{"usb_pa", "USB interface"}});
    };
    Settings dialog(&cues, nullptr, SettingsEnvironment{recorder.factory(), {}, cueFileAnswer, outputs});
    dialog.show();
    const Row row = rowOf(&dialog, 0);
    QTRY_VERIFY(row.shows(row.playButton()));
    QTRY_COMPARE(row.find<QComboBox>("output")->count(), 2);
    row.find<QDoubleSpinBox>("level")->setValue(-6.5);
    row.find<QSpinBox>("fadeIn")->setValue(500);
    row.find<QSpinBox>("fadeOut")->setValue(2000);
    row.find<QComboBox>("output")->setCurrentIndex(1);
    emit row.find<QComboBox>("output")->activated(1);
    recorder.takeEvents();
    QTest::mouseClick(row.playButton(), Qt::LeftButton);
    QTest::mouseClick(row.stopButton(), Qt::LeftButton);
    QCOMPARE(recorder.takeEvents(),
             (QStringList{"create " + intro, "play " + intro + " (-6.5 dB, in 500 ms, on \"usb_pa\")",
                          "fade out " + intro + " over 2000 ms"}));
    QCOMPARE(dialog.workingCopy().output[0], QStringLiteral("usb_pa"));
}

#include "tst_settings.moc"
