// The pending-order statement and the client and article checks.
//
// Input: UTF-8 text cut at byte 0x1f into the order types and series (cut at
// ","), the client, the article, the order number and the requisition.
// Checks:
//  - the SQL text never depends on the values: it is the statement built from
//    stand-ins with the same filters present and the same number of pairs,
//    and it has one "?" per bound value;
//  - the statement written with literals reads back, literal by literal, as
//    the values bound (quotes doubled inside, numbers plain);
//  - the order number is bound as a number, the series as a number when it is one.

#include "InstrucaoEncomendas.h"

#include <cstdint>
#include <cstdlib>

namespace {

void exigir(bool condicao) {
    if (!condicao)
        std::abort();
}

/// The values bound, as comLiterais wrote them, read back from `escrito`.
QStringList lerLiterais(const Instrucao& i, const QString& escrito) {
    QStringList valores;
    qsizetype e = 0;
    qsizetype p = 0;
    for (const QChar c : i.sql) {
        if (c != QLatin1Char('?')) {
            exigir(e < escrito.size() && escrito.at(e) == c);
            ++e;
            continue;
        }
        exigir(p < i.parametros.size());
        QString v;
        if (i.entreAspas.value(p, true)) {
            exigir(e < escrito.size() && escrito.at(e) == QLatin1Char('\''));
            ++e;
            for (;;) {
                exigir(e < escrito.size());
                if (escrito.at(e) == QLatin1Char('\'')) {
                    if (e + 1 < escrito.size() && escrito.at(e + 1) == QLatin1Char('\'')) {
                        v += QLatin1Char('\'');
                        e += 2;
                        continue;
                    }
                    ++e;
                    break;
                }
                v += escrito.at(e++);
            }
        } else {
            v = i.parametros.at(p).toString();
            exigir(escrito.mid(e, v.size()) == v);
            e += v.size();
        }
        valores << v;
        ++p;
    }
    exigir(e == escrito.size() && p == i.parametros.size());
    return valores;
}

void verificar(const Instrucao& i, const Instrucao& modelo) {
    exigir(i.sql == modelo.sql);
    exigir(i.sql.count(QLatin1Char('?')) == i.parametros.size());
    exigir(i.entreAspas.size() == i.parametros.size());
    QStringList esperados;
    for (const QVariant& v : i.parametros)
        esperados << v.toString();
    exigir(lerLiterais(i, i.comLiterais()) == esperados);
}

QString substituto(const QString& t) {
    return t.isEmpty() ? QString() : QStringLiteral("x");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const QString texto = QString::fromUtf8(reinterpret_cast<const char*>(dados), static_cast<qsizetype>(tamanho));
    QStringList partes = texto.split(QChar(0x1f));
    while (partes.size() < 5)
        partes << QString();
    const QStringList tipos = partes.at(0).isEmpty() ? QStringList() : partes.at(0).split(QLatin1Char(','));
    const FiltrosCarga f{partes.at(1), partes.at(2), partes.at(3), partes.at(4)};

    const Instrucao i = instrucaoEncomendas(tipos, f);
    QStringList tiposModelo;
    for (qsizetype k = 0; k < tipos.size(); ++k)
        tiposModelo << QStringLiteral("T");
    const Instrucao modelo = instrucaoEncomendas(
        tiposModelo, FiltrosCarga{substituto(f.cliente), substituto(f.artigo), substituto(f.numero),
                                  substituto(f.requisicao)});
    verificar(i, modelo);

    // Bound as numbers: the order number always, a series when it reads as one.
    qsizetype p = 0;
    for (qsizetype k = 0; k + 1 < tipos.size(); k += 2, p += 2) {
        exigir(i.parametros.at(p).toString() == tipos.at(k));
        bool numero = false;
        const qlonglong s = tipos.at(k + 1).toLongLong(&numero);
        exigir(numero ? i.parametros.at(p + 1) == QVariant(s) : i.parametros.at(p + 1).toString() == tipos.at(k + 1));
    }
    if (!f.numero.isEmpty()) {
        const qsizetype indice = i.parametros.size() - (f.requisicao.isEmpty() ? 1 : 2);
        exigir(i.parametros.at(indice).typeId() == QMetaType::LongLong && !i.entreAspas.at(indice));
    }

    verificar(instrucaoCliente(f.cliente), instrucaoCliente(QStringLiteral("x")));
    verificar(instrucaoArtigo(f.artigo), instrucaoArtigo(QStringLiteral("x")));
    return 0;
}
