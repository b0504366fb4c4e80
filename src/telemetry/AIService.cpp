#include "telemetry/AIService.h"

#include "core/Format.h"
#include "core/Print.h"
#include "core/Scheduler.h"
#include "platform/CommandRunner.h"
#include "platform/ToolCommands.h"
#include "telemetry/Lemmatizer.h"

#include <QStringDecoder>
#include <QStringList>

#include <chrono>
#include <initializer_list>

using namespace std::chrono_literals;

namespace {

constexpr auto explainWait = 500ms;
constexpr auto healthReportWait = 1000ms;
constexpr auto chatWait = 800ms;
// whatis answers from its index in milliseconds; the limit only guards
// against a hung man-db.
constexpr auto whatisTimeout = 3000ms;

const QString degreeCelsius = QStringLiteral("\u00B0C");

QString knownProcess(const QString& lowercasedName)
{
    struct Row {
        const char* name;
        const char* answer;
    };
    static constexpr Row table[] = {
        {"kernel_task", "This is macOS's core system process. High CPU usage here usually means the OS is "
                        "managing heat by throttling the CPU, not necessarily doing heavy work."},
        {"windowserver", "Manages everything you see on the screen. High usage is common when using "
                         "multiple monitors or heavy UI animations."},
        {"mdnsresponder", "Handles Bonjour networking, discovering devices on your local network."},
        {"trustd", "Evaluates security certificates. It ensures the apps and websites you connect to are "
                   "authentic."},
        {"syspolicyd", "System Policy Daemon. Checks app signatures and Gatekeeper rules."},
        {"nsurlsessiond", "Handles background downloading and uploading for apps and iCloud."},
        {"corespotlightd", "Indexes your files for Spotlight search."},
        {"docker", "Runs containerized applications."},
        {"xcode", "Apple's IDE. Compiling consumes significant CPU and RAM."},
        {"chrome", "A web browser known for using isolated processes per tab."},
        {"google chrome", "A web browser known for using isolated processes per tab."},
    };
    for (const Row& row : table)
        if (lowercasedName == QLatin1String(row.name))
            return QString::fromLatin1(row.answer);
    return {};
}

bool containsAny(const QStringList& words, std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        if (words.contains(QLatin1String(key)))
            return true;
    return false;
}

} // namespace

AIService::AIService(CommandRunner& runner, Scheduler& scheduler) : m_runner(runner), m_scheduler(scheduler) {}

QCoro::Task<QString> AIService::explainProcess(QString name)
{
    co_await m_scheduler.sleepFor(explainWait);
    const QString lowercased = name.toLower();

    const CommandResult result = co_await m_runner.runTool(ToolCommands::whatis(lowercased), whatisTimeout);
    if (!result.started) {
        kestrova::print(QStringLiteral("whatis failed: ") + result.errorString);
    } else if (!result.timedOut) {
        // man-db reports "nothing appropriate" on stderr; the stdout test
        // also covers versions that print it there.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString output = utf8.decode(result.standardOutput);
        if (!utf8.hasError() && !output.isEmpty() && !output.contains(QLatin1String("nothing appropriate")))
            co_return QStringLiteral("Local AI (via man pages): ") + output.trimmed();
    }

    if (QString known = knownProcess(lowercased); !known.isEmpty())
        co_return known;
    co_return QStringLiteral("This process is named '") + name
        + QStringLiteral("'. It is likely a standard application or a background service.");
}

QCoro::Task<QString> AIService::generateHealthReport(double cpu, double temp, double memory, int battery)
{
    Q_UNUSED(cpu); // accepted for the callers' sake, not quoted
    co_await m_scheduler.sleepFor(healthReportWait);

    QString report = QStringLiteral("Based on local telemetry, your Mac is operating ");
    report += temp > 80 ? QStringLiteral("hotter than usual. ") : QStringLiteral("within normal thermal parameters. ");
    report += memory > 80 ? QStringLiteral("Memory pressure is high; consider closing unused browser tabs. ")
                          : QStringLiteral("Memory usage is optimal. ");
    if (battery >= 20)
        report += QStringLiteral("Battery level is at ") + QString::number(battery) + QStringLiteral("%. ");
    else
        report += QStringLiteral("Battery is low (") + QString::number(battery)
            + QStringLiteral("%). Connect to power soon to avoid degradation of your active sessions.");
    report += QStringLiteral("\n\nLocal AI Recommendation: Keep ambient temperatures low to improve P-Core efficiency.");
    co_return report;
}

QCoro::Task<QString> AIService::chatWithSystem(QString query, FiguresSource stats)
{
    co_await m_scheduler.sleepFor(chatWait);

    const QStringList words = Lemmatizer::lemmas(query);
    const QString text = query.toLower();
    // Figures are read now, after the wait, so the answer quotes the latest
    // sample.
    const TelemetryFigures figures = stats ? stats() : TelemetryFigures{};
    const QString temperature = kestrova::format("%.1f", figures.socTemperature);
    const QString cpu = kestrova::format("%.1f", figures.cpuUsage);
    const QString memory = kestrova::format("%.0f", figures.memoryPressure);
    const QString battery = QString::number(figures.batteryPercentage);

    if (containsAny(words, {"hot", "temperature", "fan"}) || text.contains(QLatin1String("hot"))) {
        if (figures.socTemperature > 80)
            co_return QStringLiteral("Your SoC is currently running hot at ") + temperature + degreeCelsius
                + QStringLiteral(". The system is under heavy load. I recommend checking the CPU tab and "
                                 "freezing the top process.");
        co_return QStringLiteral("Your Mac is running cool at ") + temperature + degreeCelsius
            + QStringLiteral(". There is no immediate risk of thermal throttling right now.");
    }
    if (containsAny(words, {"battery", "power", "drain"}) || text.contains(QLatin1String("battery"))) {
        if (figures.batteryPercentage >= 50)
            co_return QStringLiteral("Your battery health is excellent at ") + battery
                + QStringLiteral("%. No extreme drain detected at the moment.");
        co_return QStringLiteral("Your battery is at ") + battery
            + QStringLiteral("%. You are draining power. Freezing inactive apps using the snowflake icon in "
                             "the CPU tab will significantly extend your remaining time.");
    }
    if (containsAny(words, {"slow", "lag", "memory"}) || text.contains(QLatin1String("slow"))) {
        // Judged on the whole percent the answer quotes, so it never calls
        // 75.4 "high at 75%" while 75 itself counts as low.
        if (memory.toDouble() > 75)
            co_return QStringLiteral("Memory pressure is high at ") + memory
                + QStringLiteral("%. Your system is likely swapping to disk, which causes lag. Try closing "
                                 "background apps or browser tabs.");
        co_return QStringLiteral("Memory pressure is low (") + memory
            + QStringLiteral("%) and CPU is optimal. If you're experiencing lag, it might be an issue isolated "
                             "to a specific app.");
    }
    if (containsAny(words, {"network", "privacy"}) || text.contains(QLatin1String("network")))
        co_return QStringLiteral("I am currently monitoring your active network connections. Check the Network "
                                 "tab to ensure no unwanted tracking domains are active.");
    co_return QStringLiteral("I am analyzing your system locally using Apple's Neural Engine APIs. Your CPU is at ")
        + cpu + QStringLiteral("% and Memory Pressure is ") + memory + QStringLiteral("%. How else can I help?");
}
