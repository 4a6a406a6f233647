#pragma once

#include <QJsonObject>
#include <QString>

namespace Bench {

class Ambiente;

/// The engines' plans for the load's statement (BIG and SMALL on the large
/// base): a scan of DOCGCLIN raises, since the load must seek by index.
QJsonObject planosDaCarga(Ambiente& ambiente);

/// Registers every measure (figures and floors) with Google Benchmark.
/// `repeticoes`, when not 0, replaces every measure's own.
void registarMedidas(bool rapido, bool postgres, int repeticoes = 0);

/// Benchmark names, shared by the measures and the report.
namespace Nome {
inline const char* const CargaGrande = "carga/BIG/sqlite";
inline const char* const PisoCargaGrande = "piso/carga/BIG/sqlite-c";
inline const char* const CargaGrandePg = "carga/BIG/postgresql";
inline const char* const PisoCargaGrandePg = "piso/carga/BIG/libpq";
inline const char* const CargaPequenoGrande = "carga/SMALL/base-grande";
inline const char* const CargaPequenoPequena = "carga/SMALL/base-pequena";
inline const char* const CargaGrandePequena = "carga/BIG/base-pequena";
inline const char* const Marcar = "marcar/BIG";
inline const char* const Desmarcar = "desmarcar/BIG";
inline const char* const Tique = "tique/BIG";
inline const char* const Quantidade = "quantidade/BIG";
inline const char* const Guia = "guia/1000";
inline const char* const PisoGuia = "piso/guia/sqlite-c";
inline const char* const GuiaPg = "guia/1000/postgresql";
inline const char* const PisoGuiaPg = "piso/guia/libpq";
inline const char* const GuiaPg1 = "guia/1000/postgresql/rele-1ms";
inline const char* const PisoGuiaPg1 = "piso/guia/libpq/rele-1ms";
inline const char* const GuiaPg10 = "guia/1000/postgresql/rele-10ms";
inline const char* const PisoGuiaPg10 = "piso/guia/libpq/rele-10ms";
inline const char* const GuiaPgCurta = "guia/10/postgresql/rele-10ms";
inline const char* const Pesquisa = "pesquisa/clientes/base-grande";
inline const char* const PesquisaMuitos = "pesquisa/clientes/base-clientes";
inline const char* const PisoPesquisa = "piso/pesquisa/base-grande/sqlite-c";
inline const char* const PisoPesquisaMuitos = "piso/pesquisa/base-clientes/sqlite-c";
inline const char* const PisoDialogo = "piso/pesquisa/dialogo-nu";
inline const char* const Arranque = "arranque";
inline const char* const JanelaNua = "piso/arranque/janela-nua";
inline const char* const Memoria = "memoria/LIMITE";
} // namespace Nome

} // namespace Bench
