// The parameters file reader, against a plain reading of its rules.
//
// Input: byte 0 chooses the size of the blocks read (1 to 64 bytes, or the
// reader's own), byte 1 the key looked up; the rest is the file.
// Checks: the value found is the one a line-by-line reading finds (lines end
// at CR LF, CR or LF; the first line whose first len(key)+1 characters,
// upper-cased, are the key and "=" gives the rest of the line, Windows-1252);
// splitting it at "," and joining again gives it back.

#include "Parametros.h"
#include "CodigoPagina.h"
#include "Erro.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

QString porLinhas(const QByteArray& bytes, const QString& chave) {
    const QString prefixo = chave.toUpper() + QLatin1Char('=');
    const qsizetype n = prefixo.size();
    qsizetype i = 0;
    while (i < bytes.size()) {
        qsizetype fim = i;
        while (fim < bytes.size() && bytes[fim] != '\r' && bytes[fim] != '\n')
            ++fim;
        const QByteArray linha = bytes.mid(i, fim - i);
        if (linha.size() >= n && deWindows1252(linha.left(n)).toUpper() == prefixo)
            return deWindows1252(linha.mid(n));
        i = fim + 1;
        if (fim + 1 < bytes.size() && bytes[fim] == '\r' && bytes[fim + 1] == '\n')
            ++i;
    }
    return QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    if (tamanho < 2)
        return 0;
    static const QStringList chaves = {QStringLiteral("ENCOMENDAS"), QStringLiteral("GUIAS"),
                                       QStringLiteral("ENTRADAS"),   QStringLiteral("A"),
                                       QStringLiteral("guias"),      QStringLiteral("\u00e7\u00c3")};
    const qint64 bloco = dados[0] < 192 ? 1 + dados[0] % 64 : 65536;
    const QString chave = chaves.at(dados[1] % chaves.size());
    QByteArray bytes(reinterpret_cast<const char*>(dados + 2), static_cast<qsizetype>(tamanho - 2));

    QBuffer origem(&bytes);
    origem.open(QIODevice::ReadOnly);
    QString valor;
    try {
        valor = Parametros::procurar(origem, chave, QStringLiteral("fuzz"), bloco);
    } catch (const Erro&) {
        std::abort(); // a buffer this small always reads
    }
    if (valor != porLinhas(bytes, chave))
        std::abort();
    if (Parametros::dividir(valor).join(QLatin1Char(',')) != valor)
        std::abort();
    return 0;
}
