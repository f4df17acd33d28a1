/* Writes dipendenti-libxlsxwriter.xlsx: the table of dipendenti.fods through libxlsxwriter in its
 * constant-memory mode (inline strings, rows written in order). Made once with
 *   gcc dipendenti-libxlsxwriter.c -o /tmp/d -lxlsxwriter && /tmp/d */
#include <xlsxwriter.h>

static void riga(lxw_worksheet *f, int r, const char *c[4], lxw_datetime d, lxw_format *fd)
{
    for (int i = 0; i < 3; i++)
        worksheet_write_string(f, r, i, c[i], NULL);
    worksheet_write_datetime(f, r, 3, &d, fd);
    worksheet_write_string(f, r, 4, c[3], NULL);
}

int main(void)
{
    lxw_workbook_options o = {.constant_memory = LXW_TRUE};
    lxw_workbook *wb = workbook_new_opt("dipendenti-libxlsxwriter.xlsx", &o);
    lxw_worksheet *f = workbook_add_worksheet(wb, "Dipendenti");
    lxw_format *d1 = workbook_add_format(wb), *d2 = workbook_add_format(wb), *d3 = workbook_add_format(wb),
               *d4 = workbook_add_format(wb);
    format_set_num_format(d1, "dd/mm/yyyy");
    format_set_num_format(d2, "d mmmm yyyy");
    format_set_num_format(d3, "yyyy-mm-dd");
    format_set_num_format(d4, "mm/dd/yy");
    worksheet_merge_range(f, 0, 0, 0, 6, "Elenco dipendenti 2026", NULL);
    const char *h[] = {"Cognome", "Nome", "Sesso", "Data di nascita", "Comune", "P.IVA", "Etichetta"};
    for (int i = 0; i < 7; i++)
        worksheet_write_string(f, 1, i, h[i], NULL);
    const char *a[] = {"D'Angelo", "Nicolò", "M", "Forlì"};
    riga(f, 2, a, (lxw_datetime){1968, 4, 7, 0, 0, 0}, d1);
    worksheet_write_number(f, 2, 5, 743110157, NULL);
    worksheet_write_formula_str(f, 2, 6, "=A3&\" \"&B3", NULL, "D'Angelo Nicolò");
    const char *b[] = {"Müller", "Zoë", "F", "Bolzano"};
    riga(f, 4, b, (lxw_datetime){1975, 3, 15, 0, 0, 0}, d2);
    worksheet_write_string(f, 4, 5, "00743110157", NULL);
    worksheet_write_formula_num(f, 4, 6, "=YEAR(D5)", NULL, 1975);
    const char *c[] = {"Rossi", "Mario", "M", "Roma"};
    riga(f, 5, c, (lxw_datetime){1980, 1, 1, 0, 0, 0}, d3);
    worksheet_write_number(f, 5, 5, 10000000000.0, NULL);
    worksheet_write_number(f, 5, 6, 1, NULL);
    const char *e[] = {"Bianchi", "Giulia", "F", "Sant'Agata de' Goti"};
    riga(f, 8, e, (lxw_datetime){2001, 12, 31, 0, 0, 0}, d4);
    worksheet_write_number(f, 8, 5, 1.5, NULL);
    worksheet_write_string(f, 8, 6, "riga uno\nriga  due", NULL);
    lxw_worksheet *s = workbook_add_worksheet(wb, "Secondo");
    worksheet_write_string(s, 0, 0, "solo", NULL);
    return workbook_close(wb);
}
