#include "CargaEncomendas.h"

#include "Erro.h"

#include <QElapsedTimer>

#include <array>
#include <cstdint>
#include <limits>

ChavesLinhas chavesDe(std::span<const LinhaEncomenda> linhas) {
    ChavesLinhas r;
    r.reserve(linhas.size());
    for (const LinhaEncomenda& l : linhas)
        r.insert(l.chave);
    return r;
}

namespace {

/// The positions of the result's fields, looked up once by name without
/// regard to case.
struct Campos {
    explicit Campos(const RecordSet& rs) : m_rs(rs) {}
    int operator()(const char* nome) const {
        const int i = m_rs.indiceCampo(QString::fromLatin1(nome));
        if (i < 0)
            throw Erro(Erro::Sql, QStringLiteral("O campo \"%1\" não existe.").arg(QString::fromLatin1(nome)));
        return i;
    }
    const RecordSet& m_rs;
};

/// A whole number of the ERP's 32-bit keys; NULL reads as 0.
qint32 inteiro32(const RecordSet& rs, int indice) {
    const qint64 v = rs.inteiro(indice).value_or(0);
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        throw Erro(Erro::Transbordo,
                   QStringLiteral("O campo \"%1\" tem o valor %2, que não cabe num número inteiro de 32 bits.")
                       .arg(rs.nomes().at(indice))
                       .arg(v));
    return static_cast<qint32>(v);
}

/// Drops the lines whose order line an earlier line of the same result
/// already has (the first one stays). `hashes` holds each line's key hash, in
/// order: they are sorted (radix, stable) rather than looked up one by one in
/// a table, which would miss the processor's caches at every line.
void tirarRepetidas(std::vector<LinhaEncomenda>& linhas, const std::vector<std::uint32_t>& hashes) {
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
    // Lines of one hash are in order: each is compared with the earlier ones.
    std::vector<char> repetida(n, 0);
    bool alguma = false;
    for (std::size_t inicio = 0; inicio < n;) {
        std::size_t fim = inicio + 1;
        while (fim < n && hashes[ordem[fim]] == hashes[ordem[inicio]])
            ++fim;
        for (std::size_t j = inicio + 1; j < fim; ++j) {
            const ChaveLinhaEncomenda& cj = linhas[ordem[j]].chave;
            for (std::size_t i = inicio; i < j; ++i) {
                if (!repetida[ordem[i]] && linhas[ordem[i]].chave == cj) {
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

std::vector<LinhaEncomenda> lerLinhasEncomenda(RecordSet& rs, const ChavesLinhas& existentes,
                                               const std::function<void()>& progresso) {
    const Campos campo(rs);
    const int iArtigo = campo("Artigo"), iDescr = campo("Descr"), iData = campo("Data"), iTpDocum = campo("TpDocum"),
              iSerie = campo("Serie"), iNNumDoc = campo("NNumDoc"), iVNumDoc = campo("VNumDoc"),
              iPrUnit = campo("PrUnit"), iQtdOrig = campo("QtdOrig"), iQuant = campo("Quant"),
              iNumLinha = campo("NumLinha"), iAno = campo("Ano"), iTerceiro = campo("Terceiro"),
              iDataDoc = campo("DataDoc");

    std::vector<LinhaEncomenda> linhas;
    std::vector<std::uint32_t> hashes;
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
        ChaveLinhaEncomenda chave{rs.texto(iTpDocum), inteiro32(rs, iSerie), inteiro32(rs, iNNumDoc),
                                  inteiro32(rs, iAno), inteiro32(rs, iNumLinha)};
        // A line already in the grid, or met earlier in this result (see
        // tirarRepetidas), is not written twice: it could then be satisfied
        // twice in one document.
        if (!existentes.empty() && existentes.count(chave) > 0)
            continue;
        hashes.push_back(hash32(chave));
        LinhaEncomenda& l = linhas.emplace_back();
        l.chave = std::move(chave);
        l.artigo = rs.texto(iArtigo);
        l.descricao = rs.texto(iDescr);
        l.data = rs.data(iData);
        l.requisicao = rs.texto(iVNumDoc);
        l.preco = rs.moeda(iPrUnit).value_or(Moeda());
        l.quantidadeOriginal = rs.moeda(iQtdOrig).value_or(Moeda());
        l.quantidadePendente = rs.moeda(iQuant).value_or(Moeda());
        l.terceiro = rs.texto(iTerceiro);
        l.dataDocumento = rs.data(iDataDoc);
    }
    tirarRepetidas(linhas, hashes);
    return linhas;
}

int linhasDaGrelha(int linhasActuais, int linhaSeguinte) {
    // After each line written: when the next row is the grid's last, a row is added.
    return std::max(linhasActuais, linhaSeguinte + 2);
}
