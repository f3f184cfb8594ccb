#include "expected_messages.h"
#include "picture_factory.h"
#include "picture_info_page.h"
#include "spin_button.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

const std::string kNotAnInteger = "Please enter an integer.";
const std::string kOutOfRange = "Please enter an integer between 0 and 1000.";
// The number fields in the order the page reads them: X, Y, height, width.
const QList<int> kFields{1020, 1021, 1015, 1014};

std::unique_ptr<CPicture> MakePicture(std::uint32_t type, std::uint32_t width, std::uint32_t height,
                                      const std::string& name = "/data/logos/shop.bmp")
{
    std::unique_ptr<CPicture> picture = CreatePicture(type, name);
    std::string message;
    picture->CropFrom(0, 0, 0, 0, width, height, {}, message);
    return picture;
}

// A picture whose type value is none of the five.
class StrayPicture : public CPicture {
public:
    StrayPicture() : CPicture("stray.bin", static_cast<PictureType>(9)) {}
    bool Decode(std::string&) override { return false; }
    PictureResult Parse(std::string&) override { return PR_INVALID; }
    PictureResult Write(std::uint32_t&, std::uint32_t&, std::string&) override { return PR_INVALID; }
};

}  // namespace

class PictureInfoPageTest : public QObject {
    Q_OBJECT

    ExpectedMessages m_messages;
    std::unique_ptr<CPictureInfoPage> m_page;

    template <typename T = QLineEdit>
    T* Control(int id) const { return m_page->findChild<T*>(QString::number(id)); }
    QString Text(int id) const { return Control(id)->text(); }
    // In the order of kFields.
    QList<std::int32_t> Fields() const
    {
        return {m_page->m_nOffsetX, m_page->m_nOffsetY, m_page->m_nOutputHeight, m_page->m_nOutputWidth};
    }
    // An opened 200 x 50 bitmap: fields width 200, height 50, offsets 0.
    void Open() { m_page->Refresh(*MakePicture(PT_BITMAP, 200, 50), true); }
    void SetTextQuietly(int id, const QString& text)
    {
        const QSignalBlocker blocker(Control(id));
        Control(id)->setText(text);
    }
    void Fresh()
    {
        m_page = std::make_unique<CPictureInfoPage>();
        m_page->show();
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    }

private slots:
    void init() { Fresh(); }
    void cleanup()
    {
        m_page.reset();
        QVERIFY(m_messages.Finish());
    }

    // The end-to-end run finds the fields by the names their labels give;
    // a button and a spin arrow are named otherwise.
    void namesControlsForScreenReaders()
    {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(Control<QWidget>(1026));
        QCOMPARE(button->text(QAccessible::Name), QString("..."));
        QCOMPARE(button->text(QAccessible::Description), QString("Save the output picture as"));
        QWidget* down = Control<QWidget>(1025)->findChild<QWidget*>("down");
        QCOMPARE(QAccessible::queryAccessibleInterface(down)->text(QAccessible::Name), QString("OffsetY down"));
    }

    // The texts of an opened picture's fields: tests/e2e. Here the output
    // controls wake, the list shows the input's type, and the output is
    // rebuilt even when the same figures come again.
    void refreshWithNewInputRequestsRebuild()
    {
        const int outputControls[] = {1008, 1009, 1011, 1014, 1015, 1020, 1021, 1022, 1025};
        for (int id : outputControls)
            QVERIFY2(!Control<QWidget>(id)->isEnabled(), qPrintable(QString::number(id)));
        QSignalSpy typeSpy(m_page.get(), &CPictureInfoPage::OutputTypeChanged);
        QSignalSpy editSpy(m_page.get(), &CPictureInfoPage::OutputParametersEdited);
        for (int refresh = 1; refresh <= 2; ++refresh) {
            m_page->Refresh(*MakePicture(PT_RASTER_GFX, 20, 10), true);
            QCOMPARE(editSpy.count(), refresh);
        }
        for (int id : outputControls)
            QVERIFY2(Control<QWidget>(id)->isEnabled(), qPrintable(QString::number(id)));
        QCOMPARE((QStringList{Text(1003), Control<QComboBox>(1009)->currentText()}), QStringList(2, "RASTER GFX"));
        QCOMPARE(typeSpy.first(), QVariantList{int(PT_RASTER_GFX)});
    }

    // A width over 1000 is kept and refused once; a type that is none of the
    // five keeps the last output type.
    void refreshWarnsOfWidthOrType()
    {
        m_messages.Expect(kOutOfRange);
        m_page->Refresh(*MakePicture(PT_LOGO, 1200, 8), true);
        QCOMPARE(m_page->m_nOutputWidth, 1200);
        QCOMPARE(QApplication::focusWidget(), Control(1014));
        QSignalSpy typeSpy(m_page.get(), &CPictureInfoPage::OutputTypeChanged);
        m_messages.Expect("Error - unknown output type.");
        m_page->Refresh(StrayPicture(), true);
        QCOMPARE(Text(1003), QString());
        QCOMPARE(m_page->m_nOutputType, 2);
        QCOMPARE(QList<QVariantList>(typeSpy), QList<QVariantList>{{2}});
    }

    void refreshWithoutNewInputChangesOnlyOutputSize()
    {
        Open();
        SetTextQuietly(1015, "abc");
        QSignalSpy editSpy(m_page.get(), &CPictureInfoPage::OutputParametersEdited);
        QSignalSpy typeSpy(m_page.get(), &CPictureInfoPage::OutputTypeChanged);
        m_page->Refresh(*MakePicture(PT_RASTER_GFX, 64, 30, "/other.gfx"), false);
        // The output size follows; the input's figures stay and the fields are written back.
        QCOMPARE((QStringList{Text(1011), Text(1004), Text(1000), Text(1014), Text(1015)}),
                 (QStringList{"384", "1800", "/data/logos/shop.bmp", "200", "50"}));
        QCOMPARE(m_page->m_nOutputType, 0);
        QCOMPARE(editSpy.count() + typeSpy.count(), 0);
    }

    // Read in the order X, Y, height, width, on a page opened with offsets 0,
    // height 50 and width 200.
    void readingStopsAtFirstRefusedField()
    {
        const struct { QStringList texts; std::string message; QList<int> fields; int focus; } cases[] = {
            {{" 7 ", "+90000", "0", "1000"}, "", {7, 90000, 0, 1000}, 0},  // offsets unbounded
            {{"5", "-3", "30", "1001"}, kOutOfRange, {5, -3, 30, 1001}, 1014},  // stored, then refused
            {{"5", "-3", "-1", "1001"}, kOutOfRange, {5, -3, -1, 200}, 1015},
            {{"", "-3", "30", "100"}, kNotAnInteger, {0, 0, 50, 200}, 1020},
            {{"1", "2147483648", "30", "100"}, kNotAnInteger, {1, 0, 50, 200}, 1021},
            {{"1", "2", "30", "1,000"}, kNotAnInteger, {1, 2, 30, 200}, 1014},
        };
        for (const auto& [texts, message, fields, focus] : cases) {
            Fresh();
            Open();
            for (int i = 0; i < 4; ++i)
                SetTextQuietly(kFields[i], texts[i]);
            SetTextQuietly(1008, "/out/new.log");
            {
                const QSignalBlocker blocker(Control<QComboBox>(1009));
                Control<QComboBox>(1009)->setCurrentIndex(3);
            }
            if (!message.empty())
                m_messages.Expect(message);
            QCOMPARE(m_page->UpdateData(true), message.empty());
            QCOMPARE(m_page->m_nOutputType, 3);
            QCOMPARE(QString::fromStdString(m_page->m_strOutputName), QString("/out/new.log"));
            QCOMPARE(Fields(), fields);
            if (focus != 0)
                QCOMPARE(QApplication::focusWidget(), Control(focus));
        }
    }

    // Keystrokes, or a spin step from a click or an arrow key.
    void changingAParameterRequestsRebuild()
    {
        const std::string none;
        const struct { int id; QString start, action, result; std::string message; } cases[] = {
            {1020, "0", "-7", "-7", none},                     // a sign alone waits for its digits
            {1014, "1000", "click up", "1001", kOutOfRange},  // stored, refused, rebuilt all the same
            {1015, "1", "click down", "1", none},
            {1021, "-600", "click up", "-499", none},
            {1021, "7", "key up", "8", none},
        };
        for (const auto& [id, start, action, result, message] : cases) {
            Fresh();
            Open();
            QLineEdit* edit = Control(id);
            SetTextQuietly(id, start);
            QList<std::int32_t> fields = Fields();
            CSpinButton* spin = nullptr;
            for (CSpinButton* candidate : m_page->findChildren<CSpinButton*>())
                spin = candidate->GetBuddy() == edit ? candidate : spin;
            QSignalSpy editSpy(m_page.get(), &CPictureInfoPage::OutputParametersEdited);
            if (!message.empty())
                m_messages.Expect(message);
            if (action.startsWith("click")) {
                QTest::mouseClick(action.endsWith("up") ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
            } else if (action == "key up") {
                QTest::keyClick(edit, Qt::Key_Up);
            } else {
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, action);
            }
            QCOMPARE(edit->text(), result);
            const bool changed = result != start;
            QCOMPARE(editSpy.count(), changed ? 1 : 0);
            if (changed)
                fields[kFields.indexOf(id)] = result.toInt();
            QCOMPARE(Fields(), fields);
        }
    }

    // Wider than the template, the output group takes the right half and its
    // size and offset controls lie in it, in order, apart; a page that was
    // wide and is narrow again goes back to the template.
    void layoutFollowsPageWidth()
    {
        const auto places = [this] {
            QList<QRect> all;
            for (const QWidget* child : m_page->findChildren<QWidget*>())
                all << child->geometry();
            return all;
        };
        m_page->OnResizeNotice(300, 160);
        const QList<QRect> narrow = places();
        m_page->OnResizeNotice(600, 160);
        const QRect group = Control<QWidget>(1002)->geometry();
        QVERIFY(group.left() >= 300);
        QRect previous;
        for (int id : {1014, 1022, 1016, 1021, 1025}) {
            const QRect place = Control<QWidget>(id)->geometry();
            QVERIFY2(group.contains(place) && place.left() > previous.right(), qPrintable(QString::number(id)));
            previous = place;
        }
        m_page->OnResizeNotice(300, 160);
        QCOMPARE(places(), narrow);
    }

    // Queued, so that the click has ended before a dialog opens.
    void ellipsisButtonsRequestAfterTheClick()
    {
        for (auto [id, signal] : {std::pair{1007, &CPictureInfoPage::OpenRequested}, {1026, &CPictureInfoPage::SaveAsRequested}}) {
            QSignalSpy spy(m_page.get(), signal);
            QTest::mouseClick(Control<QPushButton>(id), Qt::LeftButton);
            QCOMPARE(spy.count(), 0);
            QVERIFY(spy.wait());
        }
    }
};

QTEST_MAIN(PictureInfoPageTest)
#include "picture_info_page_test.moc"
