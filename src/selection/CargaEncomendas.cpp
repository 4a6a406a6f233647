#include "CargaEncomendas.h"

#include "ColunasGrelha.h"
#include "Erro.h"
#include "Moeda.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QVarLengthArray>

#include <array>
#include <cstdint>

namespace {

qint32 inteiro(const QVariant& v) {
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (ok)
        return static_cast<qint32>(n);
    return static_cast<qint32>(v.toDouble());
}

QVariant moeda(const QVariant& v) {
    const auto m = Moeda::deVariant(v);
    return m ? QVariant::fromValue(*m) : v;
}

} // namespace

ChavesLinhas chavesNaGrelha(const ModeloGrelha& m, int linhas) {
    ChavesLinhas r;
    r.reserve(static_cast<size_t>(linhas));
    for (int i = 0; i < linhas && i < m.numeroLinhas(); ++i) {
        if (m.valor(i, Col::Artigo).toString().isEmpty())
            continue;
        r.insert({m.valor(i, Col::TpDoc).toString(), inteiro(m.valor(i, Col::Serie)), inteiro(m.valor(i, Col::NoDoc)),
                  inteiro(m.valor(i, Col::AnoEnc)), inteiro(m.valor(i, Col::LinhaEnc))});
    }
    return r;
}

namespace {

/// `v` in `n` digits, zero-padded, at `p`.
void digitos(QChar* p, qint64 v, int n) {
    for (int i = n - 1; i >= 0; --i, v /= 10)
        p[i] = QChar(static_cast<char16_t>(u'0' + v % 10));
}

/// "dd-mm-yyyy" written digit by digit, for the years 1000 to 9999: QDate's
/// format parser and writer cost more than all the rest of a loaded line.
QString ddMmAaaa(int ano, int mes, int dia) {
    QString r(10, Qt::Uninitialized);
    QChar* p = r.data();
    digitos(p, dia, 2);
    p[2] = QLatin1Char('-');
    digitos(p + 3, mes, 2);
    p[5] = QLatin1Char('-');
    digitos(p + 6, ano, 4);
    return r;
}

QString ddMmAaaa(const QDate& d) {
    int ano = 0, mes = 0, dia = 0;
    d.getDate(&ano, &mes, &dia);
    if (!d.isValid() || ano < 1000 || ano > 9999)
        return d.toString(QStringLiteral("dd-MM-yyyy"));
    return ddMmAaaa(ano, mes, dia);
}

/// The day at the start of ISO text ("2024-03-05 14:30:00") as "dd-mm-yyyy",
/// when it is plainly there (a four-digit year from 1000 and a real day);
/// empty otherwise.
QString isoParaDdMmAaaa(QStringView t) {
    if (t.size() < 10 || t[4] != u'-' || t[7] != u'-')
        return {};
    int v[3] = {0, 0, 0};
    const int limites[3][2] = {{0, 4}, {5, 7}, {8, 10}};
    for (int k = 0; k < 3; ++k) {
        for (int i = limites[k][0]; i < limites[k][1]; ++i) {
            const char16_t c = t[i].unicode();
            if (c < u'0' || c > u'9')
                return {};
            v[k] = v[k] * 10 + (c - u'0');
        }
    }
    if (v[0] < 1000 || !QDate::isValid(v[0], v[1], v[2]))
        return {};
    return ddMmAaaa(v[0], v[1], v[2]);
}

/// The dates of one load, read as days and written "dd-mm-yyyy".
class Datas {
public:
    QString texto(const RecordSet& rs, int indice) { return ddMmAaaa(rs.data(indice)); }
};

/// The whole number textoSimples() writes for `v`, when it writes one.
bool inteiroSimples(const QVariant& v, qint64& n) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        n = v.toLongLong();
        return true;
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (d != static_cast<double>(static_cast<qint64>(d)))
            return false;
        n = static_cast<qint64>(d);
        return true;
    }
    default:
        return false;
    }
}

/// textoSimples() appended to `b`.
template <class Buffer> void juntarSimples(Buffer& b, const QVariant& v) {
    qint64 n = 0;
    if (!inteiroSimples(v, n)) {
        if (v.typeId() == QMetaType::QString) {
            const QString& t = *static_cast<const QString*>(v.constData());
            b.append(t.constData(), t.size());
        } else {
            const QString t = v.toString();
            b.append(t.constData(), t.size());
        }
        return;
    }
    QChar numero[24];
    int i = 24;
    const bool negativo = n < 0;
    quint64 m = negativo ? quint64(0) - quint64(n) : quint64(n);
    do {
        numero[--i] = QChar(static_cast<char16_t>(u'0' + m % 10));
        m /= 10;
    } while (m != 0);
    if (negativo)
        numero[--i] = QLatin1Char('-');
    b.append(numero + i, 24 - i);
}

} // namespace

QString dataDdMmAaaa(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return QString();
    switch (v.metaType().id()) {
    case QMetaType::QDate:
        return ddMmAaaa(v.toDate());
    case QMetaType::QDateTime:
        return ddMmAaaa(v.toDateTime().date());
    case QMetaType::QString:
        // The usual ISO text, read in place.
        if (QString r = isoParaDdMmAaaa(QStringView(*static_cast<const QString*>(v.constData())).trimmed());
            !r.isEmpty())
            return r;
        break;
    default:
        break;
    }
    // ISO text ("2024-03-05 14:30:00"): the date is its first ten characters.
    const QString t = v.toString().trimmed();
    const QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    if (d.isValid())
        return ddMmAaaa(d);
    const QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    return dt.isValid() ? ddMmAaaa(dt.date()) : t;
}

QString textoSimples(const QVariant& v) {
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    QVarLengthArray<QChar, 32> b;
    juntarSimples(b, v);
    return QString(b.constData(), b.size());
}

namespace {

/// "T/S/15": type, series and number in one string of the exact size.
QString referencia(const QVariant& tipo, const QVariant& serie, const QVariant& numero) {
    QVarLengthArray<QChar, 48> b;
    juntarSimples(b, tipo);
    b.append(QLatin1Char('/'));
    juntarSimples(b, serie);
    b.append(QLatin1Char('/'));
    juntarSimples(b, numero);
    return QString(b.constData(), b.size());
}

} // namespace

namespace {

/// The key of a written row, as the walk made it.
ChaveLinhaEncomenda chaveDe(const LinhaGrelha& l) {
    return {l[Col::TpDoc].toString(), inteiro(l[Col::Serie]), inteiro(l[Col::NoDoc]), inteiro(l[Col::AnoEnc]),
            inteiro(l[Col::LinhaEnc])};
}

/// Drops the rows whose order line an earlier row of the same result already
/// has (the first one stays). `hashes` holds each row's key hash, in row
/// order: they are sorted (radix, stable) rather than looked up one by one in
/// a table, which would miss the processor's caches at every row.
void tirarRepetidas(std::vector<LinhaGrelha>& linhas, const std::vector<std::uint32_t>& hashes) {
    const std::size_t n = linhas.size();
    if (n < 2)
        return;
    std::vector<std::uint32_t> ordem(n), auxiliar(n);
    for (std::size_t i = 0; i < n; ++i)
        ordem[i] = static_cast<std::uint32_t>(i);
    for (int deslocamento : {0, 8, 16, 24}) {
        std::array<std::uint32_t, 257> contagem{};
        for (std::uint32_t i : ordem)
            ++contagem[((hashes[i] >> deslocamento) & 0xff) + 1];
        for (std::size_t k = 1; k < contagem.size(); ++k)
            contagem[k] += contagem[k - 1];
        for (std::uint32_t i : ordem)
            auxiliar[contagem[(hashes[i] >> deslocamento) & 0xff]++] = i;
        ordem.swap(auxiliar);
    }
    // Rows of one hash are in row order: each is compared with the earlier ones.
    std::vector<char> repetida(n, 0);
    bool alguma = false;
    for (std::size_t inicio = 0; inicio < n;) {
        std::size_t fim = inicio + 1;
        while (fim < n && hashes[ordem[fim]] == hashes[ordem[inicio]])
            ++fim;
        for (std::size_t j = inicio + 1; j < fim; ++j) {
            const ChaveLinhaEncomenda cj = chaveDe(linhas[ordem[j]]);
            for (std::size_t i = inicio; i < j; ++i) {
                if (!repetida[ordem[i]] && chaveDe(linhas[ordem[i]]) == cj) {
                    repetida[ordem[j]] = 1;
                    alguma = true;
                    break;
                }
            }
        }
        inicio = fim;
    }
    if (!alguma)
        return;
    std::size_t escritas = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (repetida[i])
            continue;
        if (escritas != i)
            linhas[escritas] = std::move(linhas[i]);
        ++escritas;
    }
    linhas.resize(escritas);
}

/// The 32 bits of a key's hash that tirarRepetidas() sorts on.
std::uint32_t hash32(const ChaveLinhaEncomenda& c) {
    std::uint64_t h = HashChaveLinha()(c);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

} // namespace

std::vector<LinhaGrelha> lerLinhasEncomenda(RecordSet& rs, const ChavesLinhas& existentes,
                                            const std::function<void()>& progresso) {
    // Field positions looked up once, by name without regard to case.
    auto indice = [&rs](const char* nome) {
        const int i = rs.indiceCampo(QString::fromLatin1(nome));
        if (i < 0)
            throw Erro(Erro::Sql, QStringLiteral("O campo \"%1\" não existe.").arg(QString::fromLatin1(nome)));
        return i;
    };
    const int iArtigo = indice("Artigo"), iDescr = indice("Descr"), iData = indice("Data"),
              iTpDocum = indice("TpDocum"), iSerie = indice("Serie"), iNNumDoc = indice("NNumDoc"),
              iVNumDoc = indice("VNumDoc"), iPrUnit = indice("PrUnit"), iQtdOrig = indice("QtdOrig"),
              iQuant = indice("Quant"), iNumLinha = indice("NumLinha"), iAno = indice("Ano"),
              iTerceiro = indice("Terceiro"), iDataDoc = indice("DataDoc");

    std::vector<LinhaGrelha> linhas;
    std::vector<std::uint32_t> hashes;
    const QVariant zero = QVariant::fromValue(Moeda());
    const QVariant falso(false);
    Datas datas;
    // The lines of one order follow each other: their reference is one string.
    QVariant tipoAnterior, serieAnterior, numeroAnterior;
    QString referenciaAnterior;
    // The window repaints now and then, not after a fixed number of rows: a
    // load that ends within the interval paints once, at its end.
    QElapsedTimer relogio;
    relogio.start();
    int lidas = 0;
    for (; !rs.fim(); rs.seguinte()) {
        if (progresso && (++lidas & 255) == 0 && relogio.elapsed() >= 100) {
            progresso();
            relogio.restart();
        }
        QVariant tipo = rs.valor(iTpDocum), serie = rs.valor(iSerie), numero = rs.valor(iNNumDoc), ano = rs.valor(iAno),
                 numLinha = rs.valor(iNumLinha);
        const ChaveLinhaEncomenda chave{tipo.toString(), inteiro(serie), inteiro(numero), inteiro(ano),
                                        inteiro(numLinha)};
        // A line already in the grid, or met earlier in this result (see
        // tirarRepetidas), is not written twice: it could then be satisfied
        // twice in one document.
        if (!existentes.empty() && existentes.count(chave) > 0)
            continue;
        hashes.push_back(hash32(chave));
        LinhaGrelha l(Col::Total);
        l[Col::Artigo] = rs.valor(iArtigo);
        l[Col::Designacao] = rs.valor(iDescr);
        l[Col::DataEnt] = datas.texto(rs, iData);
        if (referenciaAnterior.isNull() || tipo != tipoAnterior || serie != serieAnterior || numero != numeroAnterior) {
            referenciaAnterior = referencia(tipo, serie, numero);
            tipoAnterior = tipo;
            serieAnterior = serie;
            numeroAnterior = numero;
        }
        l[Col::NumEnc] = referenciaAnterior;
        l[Col::Req] = rs.valor(iVNumDoc);
        l[Col::Preco] = moeda(rs.valor(iPrUnit));
        l[Col::QtdO] = moeda(rs.valor(iQtdOrig));
        l[Col::QtdP] = moeda(rs.valor(iQuant));
        l[Col::Qtd] = zero;
        l[Col::TpDoc] = std::move(tipo);
        l[Col::Serie] = std::move(serie);
        l[Col::NoDoc] = std::move(numero);
        l[Col::LinhaEnc] = std::move(numLinha);
        l[Col::AnoEnc] = std::move(ano);
        l[Col::Terceiro] = rs.valor(iTerceiro);
        l[Col::AN] = falso;
        l[Col::DataDoc] = datas.texto(rs, iDataDoc);
        linhas.push_back(std::move(l));
    }
    tirarRepetidas(linhas, hashes);
    return linhas;
}

int linhasDaGrelha(int linhasActuais, int linhaSeguinte) {
    // After each line written: when the next row is the grid's last, a row is added.
    return std::max(linhasActuais, linhaSeguinte + 2);
}
