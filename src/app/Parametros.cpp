#include "Parametros.h"

#include "Erro.h"

#include <QFile>
#include <QFileInfo>

namespace Parametros {

namespace {

// Windows-1252's 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char16_t Cp1252Alto[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

} // namespace

QString descodificar(const QByteArray& bytes) {
    QString r(bytes.size(), Qt::Uninitialized);
    QChar* out = r.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(Cp1252Alto[b - 0x80]) : QChar(b);
    }
    return r;
}

QString ler(const QString& caminho, const QString& chave) {
    QFile f(caminho);
    if (!f.exists())
        throw Erro(Erro::Ficheiro, QStringLiteral("O ficheiro de parâmetros \"%1\" não existe.").arg(caminho));
    if (QFileInfo(caminho).isDir() || !f.open(QIODevice::ReadOnly))
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("O ficheiro de parâmetros \"%1\" não pode ser lido: %2").arg(caminho, f.errorString()));
    const QString prefixo = chave.toUpper() + QLatin1Char('=');
    const qsizetype n = prefixo.size();
    // Read in blocks and cut lines at CR, LF or CR LF; a line is decoded only
    // when its start could carry the key.
    QByteArray linha;
    bool crPendente = false;
    auto verificar = [&](const QByteArray& l, QString& valor) {
        if (l.size() < n)
            return false;
        if (descodificar(l.left(n)).toUpper() != prefixo)
            return false;
        valor = descodificar(l.mid(n));
        return true;
    };
    QString valor;
    char bloco[65536];
    for (;;) {
        const qint64 lidos = f.read(bloco, sizeof bloco);
        if (lidos < 0)
            throw Erro(Erro::Ficheiro,
                       QStringLiteral("O ficheiro de parâmetros \"%1\" não pode ser lido: %2").arg(caminho, f.errorString()));
        if (lidos == 0)
            break;
        for (qint64 i = 0; i < lidos; ++i) {
            const char c = bloco[i];
            if (c == '\n' && crPendente) {
                crPendente = false;
                continue;
            }
            crPendente = false;
            if (c == '\r' || c == '\n') {
                crPendente = c == '\r';
                if (verificar(linha, valor))
                    return valor;
                linha.clear();
                continue;
            }
            linha.append(c);
        }
    }
    if (verificar(linha, valor))
        return valor;
    return QString();
}

QStringList dividir(const QString& valor) {
    if (valor.isEmpty())
        return {};
    return valor.split(QLatin1Char(','), Qt::KeepEmptyParts);
}

} // namespace Parametros
