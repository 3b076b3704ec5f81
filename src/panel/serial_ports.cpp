#include "serial_ports.h"

#include "serial_comm_port.h"
#include "widgets.h"

#include <QCollator>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>

QString SerialPortEntry::displayText() const {
    if (!reported)
        return systemLocation;
    return description.isEmpty() ? portName
                                 : QStringLiteral("%1 \u2014 %2").arg(portName, description);
}

QString SerialPortEntry::toolTip() const {
    if (practice)
        return QStringLiteral(
            "A SWITCH PANEL SIMULATED INSIDE THIS PROGRAM, TO PRACTISE ON WITHOUT "
            "A PANEL: NOTHING GOES TO A SERIAL PORT.\nIT HOLDS A SAMPLE "
            "CONFIGURATION (corridor.qcf, OR THE FILE GIVEN WITH --practice=FILE) "
            "AND KEEPS WHAT IS WRITTEN INTO IT UNTIL THE PROGRAM ENDS.");
    if (!reported)
        return QStringLiteral("%1\nNOT REPORTED BY THE SYSTEM AS A SERIAL PORT")
            .arg(systemLocation);
    QStringList lines{QStringLiteral("SYSTEM LOCATION: %1").arg(systemLocation)};
    const std::pair<const char*, const QString*> details[] = {
        {"DESCRIPTION", &description},
        {"MANUFACTURER", &manufacturer},
        {"SERIAL NUMBER", &serialNumber},
        {"STABLE NAME", &stableName},
    };
    for (const auto& [label, value] : details) {
        if (!value->isEmpty())
            lines << QStringLiteral("%1: %2").arg(QLatin1String(label), *value);
    }
    return lines.join(QLatin1Char('\n'));
}

namespace {

// The /dev/serial/by-id links, by the device they lead to.
QHash<QString, QString> stableNames() {
    QHash<QString, QString> names;
#ifdef Q_OS_LINUX
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link :
         byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            names.insert(target, link.absoluteFilePath());
    }
#endif
    return names;
}

// True when `name`, as a user would write it, is this port.
bool names(const SerialPortEntry& port, const QString& name) {
    if (name.isEmpty())
        return false;
    if (name == port.systemLocation || name == port.portName ||
        (!port.stableName.isEmpty() && name == port.stableName))
        return true;
    const QString target = QFileInfo(name).canonicalFilePath();
    return !target.isEmpty() && target == QFileInfo(port.systemLocation).canonicalFilePath();
}

// The position of the port `name` stands for, or -1.
int indexOf(const QList<SerialPortEntry>& ports, const QString& name) {
    for (int i = 0; i < ports.size(); ++i) {
        if (names(ports[i], name))
            return i;
    }
    return -1;
}

} // namespace

QList<SerialPortEntry> systemSerialPorts() {
    const QHash<QString, QString> stable = stableNames();
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry port;
        port.portName = info.portName();
        port.systemLocation = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        port.stableName = stable.value(QFileInfo(port.systemLocation).canonicalFilePath());
        port.usb = info.hasVendorIdentifier();
        ports << port;
    }
    // In the order a person counts them: ttyS2 before ttyS10.
    QCollator order;
    order.setNumericMode(true);
    std::sort(ports.begin(), ports.end(), [&order](const auto& a, const auto& b) {
        return order.compare(a.portName, b.portName) < 0;
    });
    return ports;
}

QString startPort(const QList<SerialPortEntry>& reported, const QString& requested) {
    if (!requested.isEmpty())
        return requested;
    const QString first = SerialCommPort::nameOfPort(1);
    if (const int builtIn = indexOf(reported, first); builtIn >= 0)
        return reported[builtIn].systemLocation;
    const auto isUsb = [](const SerialPortEntry& p) { return p.usb; };
    if (std::count_if(reported.cbegin(), reported.cend(), isUsb) == 1)
        return std::find_if(reported.cbegin(), reported.cend(), isUsb)->systemLocation;
    return reported.isEmpty() ? practicePanelName : reported.first().systemLocation;
}

PortSelector::PortSelector(PortComboBox& combo, PortSource source, QObject* parent)
    : QObject(parent), combo_(combo), source_(std::move(source)) {
    connect(&combo_, &PortComboBox::popupAboutToShow, this, &PortSelector::refresh);
    connect(&combo_, &QComboBox::currentIndexChanged, this, [this](int index) {
        combo_.setToolTip(combo_.itemData(index, Qt::ToolTipRole).toString());
    });
    connect(&combo_, &QComboBox::currentTextChanged, this, &PortSelector::choiceChanged);
}

PortSelector::~PortSelector() {
    // A window closed while the ports are listed: the lister hands its list to this selector,
    // so it ends first. Its list, posted meanwhile, goes with the selector.
    if (lister_)
        lister_->wait();
}

void PortSelector::start(const QStringList& requested, Listing listing) {
    requested_.clear();
    for (const QString& name : requested) {
        if (!name.trimmed().isEmpty())
            requested_ << name;
    }
    const quint64 start = ++starts_;
    if (lister_)
        lister_->wait();
    if (listing == Listing::Now) {
        listed(start, source_());
        return;
    }
    // The list comes back to this thread, where the window is.
    lister_.reset(QThread::create([this, start, source = source_] {
        const QList<SerialPortEntry> ports = source();
        QMetaObject::invokeMethod(
            this, [this, start, ports] { listed(start, ports); }, Qt::QueuedConnection);
    }));
    lister_->start();
}

void PortSelector::listed(quint64 start, const QList<SerialPortEntry>& ports) {
    if (start != starts_)
        return;
    if (lister_) {
        lister_->wait();
        lister_.reset();
    }
    reported_ = ports;
    fill(startPort(reported_, requested_.value(0)));
    emit started();
}

void PortSelector::awaitStart() {
    if (!lister_)
        return;
    QEventLoop loop;
    connect(this, &PortSelector::started, &loop, &QEventLoop::quit);
    while (lister_ && loop.exec() == 0) {
    }
    // Once the program has been told to exit, an event loop returns at once without running
    // anything: the list is taken as soon as it is there.
    if (lister_) {
        lister_->wait();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

void PortSelector::refresh() {
    awaitStart();
    const QString chosen = current();
    reported_ = source_();
    fill(chosen);
}

QString PortSelector::current() const {
    // An entry as listed stands for its port; anything else typed in is a port name.
    const QString text = combo_.currentText().trimmed();
    const int index = combo_.findText(text);
    return index >= 0 ? combo_.itemData(index).toString() : text;
}

void PortSelector::choose(const QString& port) {
    awaitStart();
    // The tooltip follows the choice through currentIndexChanged.
    combo_.setCurrentIndex(combo_.findData(port));
}

QStringList PortSelector::reportedPorts() const {
    QStringList out;
    for (const SerialPortEntry& port : reported_)
        out << QStringLiteral("%1 (%2)").arg(port.displayText(), port.systemLocation);
    return out;
}

void PortSelector::fill(const QString& chosen) {
    QList<SerialPortEntry> ports = reported_;
    SerialPortEntry practice;
    practice.portName = practice.systemLocation = practicePanelName;
    practice.practice = true;
    // The ports named at start and the one chosen stay listed when the system does not
    // report them, so that the choice is kept and a failure to open it names it.
    for (const QString& name : requested_ + QStringList{chosen}) {
        if (!name.isEmpty() && indexOf(ports, name) < 0 && !names(practice, name)) {
            SerialPortEntry named;
            named.portName = named.systemLocation = name;
            named.reported = false;
            ports << named;
        }
    }
    ports << practice;
    listed_ = ports;
    const QSignalBlocker quiet(combo_);
    combo_.clear();
    for (const SerialPortEntry& port : ports) {
        combo_.addItem(port.displayText(), port.systemLocation);
        combo_.setItemData(combo_.count() - 1, port.toolTip(), Qt::ToolTipRole);
    }
    const int index = indexOf(ports, chosen);
    combo_.setCurrentIndex(index);
    combo_.setToolTip(combo_.itemData(index, Qt::ToolTipRole).toString());
    emit choiceChanged();
}
