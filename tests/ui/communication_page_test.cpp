#include "comm_settings.h"
#include "communication_page.h"
#include "recording_communication.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

// Ports listed in an order unlike their text order.
class PortListing : public RecordingCommunication {
public:
    std::vector<std::string> m_com{"/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyS10"};
    std::vector<std::string> GetComPorts() override { return m_com; }
    std::vector<std::string> GetLptPorts() override { return {"/dev/parport1", "/dev/parport0"}; }
};

const int kAllControls[] = {1039, 1040, 1028, 1029, 1030, 1071, 1031, 1035, 1041, 1072, 1073,
                            1074, 1075, 1032, 1036, 1033, 1037, 1069, 1070, 1034, 1038};

}  // namespace

class CommunicationPageTest : public QObject {
    Q_OBJECT

    CommSettings m_settings;
    PortListing m_ports;
    std::unique_ptr<CCommunicationPage> m_page;

    template <typename T = QComboBox>
    T* Control(int id) const { return m_page->findChild<T*>(QString::number(id)); }
    QString Shown(int id) const { return Control(id)->currentText(); }
    QList<int> Visible() const
    {
        QList<int> ids;
        for (int id : kAllControls)
            if (!Control<QWidget>(id)->isHidden())
                ids << id;
        return ids;
    }
    void Start(CommSettings settings, bool withComponent = true)
    {
        m_settings = settings;
        m_page = std::make_unique<CCommunicationPage>(m_settings);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        QSignalSpy applied(m_page.get(), &CCommunicationPage::SettingsApplied);
        m_page->OnInitDialog(withComponent ? &m_ports : nullptr);
        QCOMPARE(applied.count(), 0);
    }
    // On the indicator: a short text leaves the button's middle outside its click area.
    void Click(int id)
    {
        QWidget* radio = Control<QWidget>(id);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
    }
    // As a choice in the dropped list reports it; true when applied once.
    bool Choose(int id, const QString& text)
    {
        QSignalSpy applied(m_page.get(), &CCommunicationPage::SettingsApplied);
        Control(id)->setCurrentIndex(Control(id)->findText(text));
        emit Control(id)->activated(Control(id)->currentIndex());
        return Control(id)->currentText() == text && applied.count() == 1;
    }

private slots:
    void startUpShowsStoredSettings()
    {
        const struct { std::int32_t interface, port, baud, parity, stop, flow; int checked; QStringList shown; } cases[] = {
            {0, 2, 4800, 2, 2, 4, 1028, {"/dev/ttyS10", "4800", "EVEN", "TWO", "XON/XOFF", "/dev/parport1"}},
            // No entry: baud, stop bits and handshaking stay as they were, parity and port show none.
            {0, 7, 1234, 9, 1, 0, 1028, {"", "115200", "", "ONE", "DTR/DSR", "/dev/parport1"}},
            {1, 1, 9600, 1, 2, 3, 1029, {"/dev/ttyUSB0", "115200", "NONE", "ONE", "DTR/DSR", "/dev/parport0"}},
            {7, 1, 9600, 1, 2, 3, 0, {"/dev/ttyUSB0", "115200", "NONE", "ONE", "DTR/DSR", "/dev/parport1"}},
        };
        for (const auto& c : cases) {
            Start({.m_nInterface = c.interface, .m_nPort = c.port, .m_nBaudRate = c.baud, .m_nParity = c.parity,
                   .m_nStopBits = c.stop, .m_nFlowControl = c.flow});
            QCOMPARE((QStringList{Shown(1035), Shown(1036), Shown(1037), Shown(1070), Shown(1038), Shown(1041)}), c.shown);
            for (int radio : {1028, 1029, 1030, 1071})
                QCOMPARE(Control<QRadioButton>(radio)->isChecked(), radio == c.checked);
            QCOMPARE(m_settings.m_nBaudRate, c.baud);
        }
        // A stray interface keeps the template's visibility: the serial controls.
        QCOMPARE(Visible(), (QList{1039, 1040, 1028, 1029, 1030, 1071, 1031, 1035, 1032, 1036, 1033, 1037, 1069,
                                   1070, 1034, 1038}));
    }

    // A wide page moves the controls, a narrow one puts them back.
    void interfaceClickShowsItsControlsAndApplies()
    {
        const QList<int> frame{1039, 1040, 1028, 1029, 1030, 1071};
        const struct { int radio; std::int32_t interface, port; QList<int> visible; } cases[] = {
            {1030, 2, 2, frame},
            {1071, 3, 2, frame + QList{1072, 1073, 1074, 1075}},
            {1029, 1, 0, frame + QList{1031, 1041}},
            {1028, 0, 2, frame + QList{1031, 1035, 1032, 1036, 1033, 1037, 1069, 1070, 1034, 1038}},
        };
        Start({.m_nPort = 2});
        const QRect label = Control<QWidget>(1032)->geometry();
        m_page->OnResizeNotice(600, 150);
        for (const auto& [radio, interface, port, visible] : cases) {
            QSignalSpy applied(m_page.get(), &CCommunicationPage::SettingsApplied);
            Click(radio);
            QCOMPARE(applied.count(), 1);
            QCOMPARE((QList{m_settings.m_nInterface, m_settings.m_nPort}), (QList{interface, port}));
            QCOMPARE(Visible(), visible);
        }
        QCOMPARE(Control(1041)->geometry(), Control(1035)->geometry());
        // A click on the chosen interface tries again; a screen reader toggles without a click.
        QSignalSpy applied(m_page.get(), &CCommunicationPage::SettingsApplied);
        Click(1028);
        QCOMPARE(applied.count(), 1);
        Control<QRadioButton>(1030)->toggle();
        QCOMPARE(applied.count(), 2);
        QCOMPARE(m_settings.m_nInterface, kInterfaceUsb);
        m_page->OnResizeNotice(400, 150);
        QCOMPARE(Control<QWidget>(1032)->geometry(), label);
    }

    // Each keystroke would be an attempt to reach a host that is not yet typed out.
    void networkFieldsApplyOnceAnEditIsFinished()
    {
        Start({.m_nInterface = kInterfaceNetwork, .m_strNetworkHost = "printer.lan", .m_nNetworkPort = 9101,
               .m_nLocalInterface = kInterfaceParallel});
        QVERIFY(Control<QRadioButton>(1071)->isChecked());
        auto* host = Control<QLineEdit>(1073);
        auto* port = Control<QSpinBox>(1075);
        QCOMPARE((QStringList{host->text(), port->text()}), (QStringList{"printer.lan", "9101"}));
        QSignalSpy applied(m_page.get(), &CCommunicationPage::SettingsApplied);
        const auto type = [](QWidget* field, const QString& text) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(field, text);
        };
        type(host, " 192.168.1.50 ");
        QCOMPARE(applied.count(), 0);
        QTest::keyClick(host, Qt::Key_Return);
        QTest::keyClick(host, Qt::Key_Return);
        QCOMPARE(applied.count(), 1);
        QCOMPARE(m_settings.m_strNetworkHost, "192.168.1.50");
        // Focus leaving a changed field applies it; a number out of range goes back.
        type(port, "7000");
        host->setFocus();
        QCOMPARE(applied.count(), 2);
        QCOMPARE(m_settings.m_nNetworkPort, 7000);
        for (const char* wrong : {"70000", "0"}) {
            type(port, wrong);
            host->setFocus();
            QCOMPARE(port->text(), QString("7000"));
        }
        QCOMPARE(applied.count(), 2);
        // The interface an older version falls back to stays the last local one.
        QCOMPARE(m_settings.m_nLocalInterface, kInterfaceParallel);
        Click(1030);
        Click(1071);
        QCOMPARE((QList{m_settings.m_nInterface, m_settings.m_nLocalInterface}), (QList{kInterfaceNetwork, kInterfaceUsb}));
        QCOMPARE(m_settings.m_nNetworkPort, 7000);
    }

    // Each list stores its entry's value: parity its position, the others a
    // value of their own. The link opens the component's port entry at the
    // stored position: that is what must be stored, whatever place the name
    // has in the sorted list.
    void listChoicesStoreTheirValues()
    {
        Start({});
        for (const auto& [list, entry] : {std::pair{1036, "4800"}, {1037, "ODD"}, {1070, "TWO"}, {1038, "XON/XOFF"}})
            QVERIFY(Choose(list, entry));
        QCOMPARE((QList{m_settings.m_nBaudRate, m_settings.m_nParity, m_settings.m_nStopBits, m_settings.m_nFlowControl}),
                 (QList{4800, 1, 2, 4}));
        QTest::keyClick(Control(1036), Qt::Key_3);  // the keyboard chooses too
        QCOMPARE(m_settings.m_nBaudRate, 38400);

        QCOMPARE((QStringList{Control(1035)->itemText(0), Control(1035)->itemText(1), Control(1035)->itemText(2)}),
                 (QStringList{"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB0"}));
        for (const char* name : {"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB0"}) {
            QVERIFY(Choose(1035, name));
            QCOMPARE(m_ports.m_com.at(static_cast<std::size_t>(m_settings.m_nPort)), name);
            Start(m_settings);
            QCOMPARE(Shown(1035), QString(name));
        }
        Click(1029);
        QVERIFY(Choose(1041, "/dev/parport0"));
        QCOMPARE(m_settings.m_nPort, 1);
        // Without a component both lists stay empty and no port is chosen.
        Start({.m_nBaudRate = 9600}, false);
        QCOMPARE(Control(1035)->count() + Control(1041)->count(), 0);
        QCOMPARE(Shown(1036), QString("9600"));
        Click(1028);
        QCOMPARE(m_settings.m_nPort, -1);
    }
};

QTEST_MAIN(CommunicationPageTest)
#include "communication_page_test.moc"
