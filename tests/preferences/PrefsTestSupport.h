#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

// Readable strings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace penwick::test {

// A private home folder for the whole test program, set before anything reads the user's
// themes folder (that path is worked out once per process).
QString temporaryHome();

// Writes `bytes` to `path`, creating missing folders; fails the test when it cannot.
void writeFile(const QString& path, const QByteArray& bytes = QByteArrayLiteral("x"));

// What `body` writes on standard output (where the logger writes errors).
std::string capturedStdout(const std::function<void()>& body);

// Every test starts from an empty user themes folder, an empty resources folder of its own
// (PENWICK_RESOURCES) and none of the theme, font, margin or style settings stored.
class ThemeFoldersTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString userThemes() const; // the user's themes folder, without a trailing "/"
    QString resources() const { return m_resources; }
    QString shipped(const QString& folder, const QString& file) const { return m_resources + '/' + folder + '/' + file; }
    // Points PENWICK_RESOURCES back at the built resources (Prism's sheets live there).
    void useBuiltResources();

    static QStringList settingsKeys();

private:
    QString m_resources;
    QByteArray m_savedResources;
    bool m_hadResources = false;
};

} // namespace penwick::test
