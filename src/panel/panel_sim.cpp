#include "panel_sim.h"

#include "pseudo_terminal.h"

#include <QTimer>

namespace {

using protocol::modelLocation;
constexpr int unassigned = 160;
constexpr int fullIntensity = 10;

} // namespace

PanelSim::PanelSim(QObject* parent) : QObject(parent) {
    for (int a = 0; a < 22; ++a)
        memory_[a] = unassigned;
    for (int a = 22; a < 25; ++a)
        memory_[a] = fullIntensity;
    memory_[modelLocation] = defaultModel;
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &PanelSim::runDue);
    clock_.start();
}

PanelSim::~PanelSim() = default;

bool PanelSim::start() {
    if (!line_) {
        line_ = new PseudoTerminal(this);
        connect(line_, &PseudoTerminal::received, this,
                [this](const QByteArray& bytes) { feed(noisy(bytes)); });
    }
    if (!line_->open(error_))
        return false;
    path_ = line_->path();
    return true;
}

int PanelSim::value(int address) const {
    return memory_[address & 0xFF];
}

void PanelSim::setValue(int address, int value) {
    memory_[address & 0xFF] = value;
}

void PanelSim::setConfiguration(const qcf::Record& record) {
    // The items lie at their own position; locations 22, 23 and 24 hold the backlighting,
    // indicator and dimmed intensities.
    for (int entry = 0; entry <= qcf::dimmingEntry; ++entry)
        setValue(entry, record.entries[entry].value);
    const int intensityEntries[] = {qcf::backlightingIntensityEntry, qcf::indicatorIntensityEntry,
                                    qcf::dimmedIntensityEntry};
    for (int i = 0; i < 3; ++i)
        setValue(22 + i, record.entries[intensityEntries[i]].value);
}

bool PanelSim::loadConfiguration(const QString& file, QString& refusal) {
    qcf::Record record;
    if (!readConfiguration(file, record, refusal))
        return false;
    setConfiguration(record);
    return true;
}

bool PanelSim::readConfiguration(const QString& file, qcf::Record& record, QString& refusal) {
    QByteArray bytes;
    qint64 size = 0;
    QString error;
    if (!qcf::readFileStart(file, bytes, size, error)) {
        refusal = QStringLiteral("cannot read %1: %2").arg(file, error);
        return false;
    }
    const qcf::Verdict verdict = qcf::judge(bytes, size);
    if (!verdict.cause.isEmpty()) {
        refusal = QStringLiteral("%1 is refused:\n%2").arg(file, verdict.cause);
        return false;
    }
    record = verdict.read.record;
    return true;
}

void PanelSim::setAckReply(int address, const QByteArray& reply) {
    ackReplies_[address] = reply;
}

void PanelSim::setReadReply(int address, const QByteArray& reply) {
    readReplies_[address] = reply;
}

void PanelSim::setReadReplies(int address, const QList<QByteArray>& replies) {
    readQueues_[address] = replies;
}

void PanelSim::setShortReply(int address, int length) {
    shortReplies_[address] = length;
}

void PanelSim::setOutOfRange(int address) {
    outOfRange_.insert(address);
}

void PanelSim::setMismatch(int address) {
    mismatch_.insert(address);
}

void PanelSim::setNoise(double rate, quint32 seed) {
    noise_ = rate;
    random_.seed(seed);
}

QByteArray PanelSim::noisy(QByteArray bytes) {
    if (noise_ <= 0)
        return bytes;
    std::bernoulli_distribution changed(noise_);
    std::uniform_int_distribution<int> bit(0, 7);
    for (char& byte : bytes) {
        if (changed(random_))
            byte = char(byte ^ (1 << bit(random_)));
    }
    return bytes;
}

int PanelSim::pendingBytes() const {
    int n = 0;
    for (const auto& e : queue_)
        n += e.second.transmit ? 1 : 0;
    return n;
}

void PanelSim::feed(const QByteArray& bytes) {
    received_.append(bytes);
    if (echo_)
        transmit(bytes, 0, echoSplitAt_, echoSplitGapMs_);
    for (const char byte : bytes) {
        if (pacing_) {
            rxFree_ = std::max(now(), rxFree_) + byteTimeNs;
            schedule(rxFree_, {false, byte});
        } else {
            takeIn(byte);
        }
        if (hungUp_)
            return;
    }
}

void PanelSim::takeIn(char byte) {
    if (frame_.isEmpty()) {
        if (byte == 'A') {
            command('A', 0, 0);
            return;
        }
        if (byte != 'S' && byte != 'V')
            return; // noise between commands
    }
    frame_.append(byte);
    if (frame_.size() < 6)
        return;
    const QByteArray f = frame_;
    frame_.clear();
    const int address = static_cast<unsigned char>(f[2]);
    if (f[0] == 'S' && f[1] == 0 && f[3] == 0 && f[5] == 'D')
        command('S', address, static_cast<unsigned char>(f[4]));
    else if (f[0] == 'V' && f[1] == 0 && f[3] == '0' && f[4] == '0' && f[5] == 'V')
        command('V', address, 0);
    else
        command('?', address, 0); // malformed: counted, not answered
}

void PanelSim::command(char kind, int address, int value) {
    const int number = ++commands_;
    if (hangUpAfter_ >= 0 && number > hangUpAfter_) {
        emit commandReceived(number, kind, address);
        hangUp();
        return;
    }
    // A reply doubled late arrives as this command does, ahead of its answer: on the line
    // the answer can only follow it, a few byte times later.
    int lateMs = 0;
    if (!lateCopy_.isEmpty()) {
        reply(lateCopy_, 0);
        lateMs = int((lateCopy_.size() * byteTimeNs + 999999) / 1000000);
        lateCopy_.clear();
    }
    switch (kind) {
    case 'A':
        ++wakeUps_;
        if (!silent_ && wakeUps_ >= wakeAfter_)
            reply(wakeReply_, delayMs_);
        break;
    case 'S':
        memory_[misdirected_.value(address, address)] =
            mismatch_.contains(address) ? value + 1 : value;
        if (!silent_)
            reply(ackReplies_.value(address, QByteArrayLiteral("D000D")), delayMs_ + lateMs);
        break;
    case 'V':
        if (!silent_) {
            const int delay = readDelays_.value(address, delayMs_) + lateMs;
            QList<QByteArray>& queued = readQueues_[address];
            const QByteArray text = queued.isEmpty() ? readReply(address) : queued.takeFirst();
            reply(repeated_.contains(address) ? text + text : text, delay);
            if (repeatedLate_.contains(address))
                lateCopy_ = text;
        }
        break;
    default:
        break;
    }
    emit commandReceived(number, kind, address);
}

QByteArray PanelSim::readReply(int address) const {
    if (readReplies_.contains(address))
        return readReplies_.value(address);
    const int v = outOfRange_.contains(address) ? 161 : memory_[address];
    QByteArray text = QByteArray::number(v * 10).rightJustified(4, '0');
    if (v < 0)
        text = "-" + QByteArray::number(-v * 10).rightJustified(3, '0');
    if (!four_)
        text.append('\r');
    if (shortReplies_.contains(address))
        text.truncate(shortReplies_.value(address));
    return text;
}

void PanelSim::reply(const QByteArray& bytes, int delayMs) {
    transmit(bytes, delayMs, splitAt_, splitGapMs_);
}

qint64 PanelSim::lastTransmitDue() const {
    for (auto it = queue_.crbegin(); it != queue_.crend(); ++it) {
        if (it->second.transmit)
            return it->first;
    }
    return -1;
}

void PanelSim::transmit(const QByteArray& bytes, int delayMs, int splitAt, int gapMs) {
    if (bytes.isEmpty())
        return;
    const bool split = splitAt > 0 && splitAt < bytes.size();
    // A line keeps its bytes in order: an answer never overtakes the rest of an echo.
    const qint64 queued = lastTransmitDue();
    if (!pacing_ && delayMs <= 0 && !split && queued < 0) {
        writeLine(bytes);
        return;
    }
    qint64 due = std::max(now() + qint64(delayMs) * 1000000, queued);
    for (int i = 0; i < bytes.size(); ++i) {
        if (split && i == splitAt)
            due += qint64(gapMs) * 1000000;
        if (pacing_) {
            txFree_ = std::max(due, txFree_) + byteTimeNs;
            due = txFree_;
        }
        schedule(due, {true, bytes[i]});
    }
}

PanelSim::LineSettings PanelSim::lineSettings() const {
    return line_ ? line_->lineSettings() : LineSettings();
}

void PanelSim::inject(const QByteArray& bytes) {
    writeLine(bytes);
}

void PanelSim::schedule(qint64 due, Event event) {
    queue_.emplace(due, event);
    arm();
}

void PanelSim::arm() {
    if (queue_.empty()) {
        timer_->stop();
        return;
    }
    const qint64 wait = queue_.begin()->first - now();
    timer_->start(wait <= 0 ? 0 : int((wait + 999999) / 1000000));
}

void PanelSim::runDue() {
    // What fell due while the event loop was held up is done as at its own moment, so that
    // what it sets off falls due as it would have on time.
    const qint64 until = clock_.nsecsElapsed();
    bool sent = false;
    QByteArray out;
    while (!queue_.empty() && queue_.begin()->first <= until) {
        dueNow_ = queue_.begin()->first;
        const Event e = queue_.begin()->second;
        queue_.erase(queue_.begin());
        if (e.transmit) {
            out.append(e.byte);
            sent = true;
        } else {
            if (!out.isEmpty()) {
                writeLine(out);
                out.clear();
            }
            takeIn(e.byte);
            if (hungUp_) {
                dueNow_ = -1;
                return;
            }
        }
    }
    dueNow_ = -1;
    if (!out.isEmpty())
        writeLine(out);
    arm();
    if (sent && pendingBytes() == 0)
        emit repliesSent();
}

void PanelSim::writeLine(const QByteArray& sent) {
    const QByteArray bytes = noisy(sent);
    if (!line_ || !line_->isOpen()) {
        // Driven without a pseudo-terminal (see feed()): lineWritten() is the line.
        if (!hungUp_)
            emit lineWritten(bytes);
        return;
    }
    if (!line_->write(bytes))
        return; // line full or gone: the bytes are lost, as on a real line
    emit lineWritten(bytes);
}

void PanelSim::hangUp() {
    if (hungUp_)
        return;
    hungUp_ = true;
    queue_.clear();
    timer_->stop();
    if (line_)
        line_->close();
    emit lineHungUp();
}
