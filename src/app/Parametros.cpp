#include "Parametros.h"

#include "AcessoDados.h"
#include "Erro.h"

#include <QFile>
#include <QFileInfo>

namespace Parametros {

QString descodificar(const QByteArray& bytes) { return deWindows1252(bytes); }

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
