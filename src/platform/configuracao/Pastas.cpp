#include "Pastas.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool eSeparador(QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

/// The folder in the platform's form, without a trailing separator (a root
/// folder keeps its own).
QString semSeparadorFinal(const QString& pasta) {
    QString p = QDir::toNativeSeparators(pasta);
    while (p.size() > 1 && eSeparador(p.back()) && !p.endsWith(QLatin1String(":\\")))
        p.chop(1);
    return p;
}

} // namespace

QString Pastas::pastaBase() const {
    return semSeparadorFinal(m_base.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                              : m_base);
}

QString Pastas::pastaAplicacao() const {
    return semSeparadorFinal(m_aplicacao.isEmpty() ? QCoreApplication::applicationDirPath() : m_aplicacao);
}

bool Ficheiros::existePasta(const QString& caminho) const {
    return !caminho.isEmpty() && QFileInfo(caminho).isDir();
}

QString juntarCaminho(const QString& pasta, const QString& nomeComBarras) {
    QString r = pasta;
    const QChar separador = QDir::separator();
    for (const QString& parte : nomeComBarras.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (r.isEmpty() || !eSeparador(r.back()))
            r += separador;
        r += parte;
    }
    return r;
}
