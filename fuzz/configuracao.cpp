// The configuration file reader and the connection texts built from it.
//
// Input: the configuration file, written to a temporary file and read as the
// program reads it ([ERP] and [BaseDados]).
// Checks:
//  - a file refused raises the configuration or file error, naming the file;
//  - a file read is written back by escreverConfiguracao and read again with
//    the same values (quotes, blanks, ';' and '#' in values survive);
//  - the connection text built from D1..D4 and libpq's keys of [BaseDados]
//    reads back with the same database, user, password and keys, and any
//    connection text read (E4) is written and read again unchanged.

#include "Configuracao.h"
#include "Erro.h"
#include "LigacaoBd.h"
#include "Pastas.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void exigir(bool condicao) {
    if (!condicao)
        std::abort();
}

bool iguais(const TextoLigacao& a, const TextoLigacao& b) {
    return a.driver == b.driver && a.host == b.host && a.porta == b.porta && a.base == b.base &&
           a.utilizador == b.utilizador && a.password == b.password && a.fornecedor == b.fornecedor &&
           a.opcoes == b.opcoes;
}

struct Lidos {
    std::array<QString, 5> erp;
    std::array<QString, 4> bd;
    OutrasChaves libpq; ///< the [BaseDados] keys of libpq's the connection takes
};

Lidos ler(const QString& caminho) {
    ConfigErp e;
    e.ler(caminho);
    ConfigBd d;
    d.ler(caminho);
    OutrasChaves libpq;
    for (const auto& par : d.outras())
        if (TextoLigacao::chaveLibpq(par.first))
            libpq.append(par);
    return {e.valores(), d.valores(), libpq};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    static QTemporaryDir pasta;
    static const QString entrada = pasta.filePath(QStringLiteral("Orlavane.zeb"));
    static const QString copia = pasta.filePath(QStringLiteral("copia.zeb"));
    static const Pastas pastas({}, pasta.path());
    {
        QFile f(entrada);
        exigir(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(dados), static_cast<qint64>(tamanho));
    }

    Lidos lidos;
    try {
        lidos = ler(entrada);
    } catch (const Erro& e) {
        exigir(e.numero() == Erro::Configuracao || e.numero() == Erro::Ficheiro);
        exigir(e.texto().contains(QLatin1Char('"') + entrada + QLatin1Char('"')));
        return 0;
    }

    // Written by the program and read again: the same values.
    escreverConfiguracao(copia, lidos.erp, lidos.bd, lidos.libpq);
    const Lidos outra = ler(copia);
    exigir(outra.erp == lidos.erp && outra.bd == lidos.bd && outra.libpq == lidos.libpq);

    // The database's connection text keeps every value as it was.
    const auto& d = lidos.bd;
    try {
        const QString texto =
            LigacaoBd(pastas).construir(QStringLiteral("MSDataShape"), 1, d[0], d[1], d[2], d[3], lidos.libpq);
        const TextoLigacao t = TextoLigacao::analisar(texto);
        if (t.driver == QLatin1String("QPSQL"))
            exigir(t.base == d[1] && t.utilizador == d[2] && t.password == d[3] && t.opcoes == lidos.libpq);
        exigir(iguais(TextoLigacao::analisar(t.texto()), t));
    } catch (const Erro& e) {
        // A port that is no number, or no database named.
        exigir(e.numero() == Erro::Configuracao);
    }
    // The ERP's connection text, as written by hand: read, written, read again.
    try {
        const TextoLigacao t = TextoLigacao::analisar(lidos.erp[3]);
        exigir(iguais(TextoLigacao::analisar(t.texto()), t));
    } catch (const Erro& e) {
        exigir(e.numero() == Erro::Configuracao);
    }
    return 0;
}
