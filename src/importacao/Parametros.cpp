#include "Parametros.h"

#include "CodigoPagina.h"
#include "Erro.h"

#include <QFile>
#include <QFileInfo>

namespace Parametros {

QString descodificar(const QByteArray& bytes) {
    return deWindows1252(bytes);
}

namespace {

/// Beyond this a file is no parameters file (a device, an image, a mistake);
/// lines of a megabyte and more still read.
constexpr qint64 TamanhoMaximo = 16 * 1024 * 1024;

[[noreturn]] void ilegivel(const QString& caminho, const QString& motivo) {
    throw Erro(Erro::Ficheiro,
               QStringLiteral("O ficheiro de parâmetros \"%1\" não pode ser lido: %2").arg(caminho, motivo));
}

} // namespace

QString procurar(QIODevice& origem, const QString& chave, const QString& nome, qint64 tamanhoBloco) {
    const QString prefixo = chave.toUpper() + QLatin1Char('=');
    const qsizetype n = prefixo.size();
    // Lines are cut at CR, LF or CR LF. Of a line only its first n bytes are
    // kept until they show whether it carries the key: a long line of another
    // key costs no memory, and only the line that carries the key is decoded.
    QByteArray linha;
    bool crPendente = false;
    bool daChave = false; // the line's start is the key: the rest is its value
    auto verificar = [&] {
        daChave = linha.size() == n && descodificar(linha).toUpper() == prefixo;
        if (daChave)
            linha.clear();
    };
    QByteArray bloco(static_cast<qsizetype>(qMax<qint64>(1, tamanhoBloco)), Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 lidos = origem.read(bloco.data(), bloco.size());
        if (lidos < 0)
            ilegivel(nome, origem.errorString());
        if (lidos == 0)
            break;
        total += lidos;
        if (total > TamanhoMaximo)
            ilegivel(nome, QStringLiteral("é demasiado grande (mais de 16 MiB)."));
        for (qint64 i = 0; i < lidos; ++i) {
            const char c = bloco[i];
            if (c == '\n' && crPendente) {
                crPendente = false;
                continue;
            }
            crPendente = false;
            if (c == '\r' || c == '\n') {
                crPendente = c == '\r';
                if (daChave)
                    return descodificar(linha);
                linha.clear();
                continue;
            }
            if (daChave) {
                linha.append(c);
            } else if (linha.size() < n) {
                linha.append(c);
                if (linha.size() == n)
                    verificar();
            }
        }
    }
    return daChave ? descodificar(linha) : QString();
}

QString ler(const QString& caminho, const QString& chave) {
    const QFileInfo info(caminho);
    if (!info.exists())
        throw Erro(Erro::Ficheiro, QStringLiteral("O ficheiro de parâmetros \"%1\" não existe.").arg(caminho));
    if (info.isDir())
        ilegivel(caminho, QStringLiteral("é uma pasta."));
    // A pipe would block the program on opening, a device never end.
    if (!info.isFile())
        ilegivel(caminho, QStringLiteral("não é um ficheiro normal."));
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly))
        ilegivel(caminho, f.errorString());
    return procurar(f, chave, caminho);
}

QStringList dividir(const QString& valor) {
    if (valor.isEmpty())
        return {};
    return valor.split(QLatin1Char(','), Qt::KeepEmptyParts);
}

} // namespace Parametros
