#include "ListaDocumentos.h"

#include "TextoSimples.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QDateEdit* campoData(QDate dia, const QString& nome, QWidget* pai) {
    auto* c = new QDateEdit(dia, pai);
    c->setObjectName(nome);
    c->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
    c->setCalendarPopup(true);
    return c;
}

} // namespace

ListaDocumentos::ListaDocumentos(QAbstractItemModel* modelo, QDate dia, QWidget* pai)
    : QDialog(pai), m_de(campoData(dia, QStringLiteral("de"), this)),
      m_ate(campoData(dia, QStringLiteral("ate"), this)), m_procura(new QLineEdit(this)),
      m_lista(new QTableView(this)) {
    setWindowTitle(QStringLiteral("Documentos"));
    setObjectName(QStringLiteral("documentos"));
    m_procura->setObjectName(QStringLiteral("procura"));
    m_procura->setPlaceholderText(QStringLiteral("número ou cliente"));
    m_procura->setClearButtonEnabled(true);
    m_lista->setObjectName(QStringLiteral("lista"));
    m_lista->setModel(modelo);
    m_lista->setItemDelegate(new DelegadoTextoSimples(m_lista));
    m_lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lista->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lista->setTabKeyNavigation(false);
    m_lista->verticalHeader()->hide();
    m_lista->horizontalHeader()->setStretchLastSection(true);
    m_lista->setWordWrap(false);

    auto* filtros = new QHBoxLayout;
    const auto rotulo = [this](const QString& texto, QWidget* campo) {
        auto* r = new QLabel(texto, this);
        r->setBuddy(campo);
        return r;
    };
    filtros->addWidget(rotulo(QStringLiteral("&De"), m_de));
    filtros->addWidget(m_de);
    filtros->addWidget(rotulo(QStringLiteral("A&té"), m_ate));
    filtros->addWidget(m_ate);
    filtros->addWidget(rotulo(QStringLiteral("P&rocurar"), m_procura));
    filtros->addWidget(m_procura, 1);

    auto* botoes = new QDialogButtonBox(this);
    const auto botao = [&](const QString& texto, const QString& nome, const QString& dica,
                           void (ListaDocumentos::*sinal)(int)) {
        QPushButton* b = botoes->addButton(texto, QDialogButtonBox::ActionRole);
        b->setObjectName(nome);
        b->setToolTip(dica);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, sinal] { pedir(sinal); });
    };
    botao(QStringLiteral("Pré-&visualizar"), QStringLiteral("previsualizar"), QStringLiteral("Enter"),
          &ListaDocumentos::previsualizarPedido);
    botao(QStringLiteral("&Imprimir"), QStringLiteral("imprimir"), QStringLiteral("Ctrl+P"),
          &ListaDocumentos::imprimirPedido);
    botao(QStringLiteral("Guardar &PDF..."), QStringLiteral("guardar"), QStringLiteral("Ctrl+S"),
          &ListaDocumentos::guardarPedido);
    botao(QStringLiteral("&Anular..."), QStringLiteral("anular"), QStringLiteral("Alt+A"),
          &ListaDocumentos::anularPedido);
    QPushButton* fechar = botoes->addButton(QStringLiteral("&Fechar"), QDialogButtonBox::RejectRole);
    fechar->setObjectName(QStringLiteral("fechar"));
    fechar->setAutoDefault(false);
    connect(fechar, &QPushButton::clicked, this, &QDialog::reject);

    connect(new QShortcut(QKeySequence::Print, this), &QShortcut::activated, this,
            [this] { pedir(&ListaDocumentos::imprimirPedido); });
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this,
            [this] { pedir(&ListaDocumentos::guardarPedido); });
    connect(m_lista, &QTableView::activated, this, [this] { pedir(&ListaDocumentos::previsualizarPedido); });
    // The days and the search ask for the list again once the typing pauses.
    auto* espera = new QTimer(this);
    espera->setSingleShot(true);
    espera->setInterval(250);
    connect(espera, &QTimer::timeout, this, &ListaDocumentos::filtroMudou);
    connect(m_procura, &QLineEdit::textChanged, espera, qOverload<>(&QTimer::start));
    connect(m_de, &QDateEdit::dateChanged, espera, qOverload<>(&QTimer::start));
    connect(m_ate, &QDateEdit::dateChanged, espera, qOverload<>(&QTimer::start));

    auto* disposicao = new QVBoxLayout(this);
    disposicao->addLayout(filtros);
    disposicao->addWidget(m_lista, 1);
    disposicao->addWidget(botoes);
    setTabOrder(m_de, m_ate);
    setTabOrder(m_ate, m_procura);
    setTabOrder(m_procura, m_lista);
    resize(900, 500);
}

QDate ListaDocumentos::de() const {
    return m_de->date();
}

QDate ListaDocumentos::ate() const {
    return m_ate->date();
}

QString ListaDocumentos::procura() const {
    return m_procura->text();
}

int ListaDocumentos::linhaActual() const {
    const QModelIndex i = m_lista->currentIndex();
    return i.isValid() && m_lista->selectionModel()->isRowSelected(i.row(), {}) ? i.row() : -1;
}

void ListaDocumentos::seleccionar(int linha, bool focar) {
    QAbstractItemModel* m = m_lista->model();
    if (m->rowCount() == 0)
        return;
    if (linha < 0 || linha >= m->rowCount())
        linha = 0;
    m_lista->setCurrentIndex(m->index(linha, 0));
    m_lista->selectRow(linha);
    m_lista->resizeColumnsToContents();
    if (focar)
        m_lista->setFocus();
}

void ListaDocumentos::pedir(void (ListaDocumentos::*sinal)(int)) {
    const int linha = linhaActual();
    if (linha >= 0)
        Q_EMIT(this->*sinal)(linha);
}
