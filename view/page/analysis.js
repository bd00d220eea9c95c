// The candidate table of an analysis page: a click on a row (or the up and
// down keys) shows that candidate's cloud on the second sheet.
(() => {
  const section = document.getElementById("candidates");
  const sheet = document.getElementById("cloud-selected");
  if (!section || !sheet) return;
  const rows = [...section.querySelectorAll("tbody tr[data-candidate]")];
  const caption = document.getElementById("selected-caption");
  let at = rows.findIndex((row) => row.classList.contains("selected"));

  function select(index) {
    if (index < 0 || index >= rows.length) return;
    at = index;
    const key = rows[index].dataset.candidate;
    rows.forEach((row, i) => row.classList.toggle("selected", i === index));
    for (const cloud of sheet.querySelectorAll("g.cloud")) {
      cloud.classList.toggle("shown", cloud.dataset.candidate === key);
    }
    caption.textContent = rows[index].dataset.caption;
    section.dataset.selected = key;
  }

  rows.forEach((row, i) => row.addEventListener("click", () => select(i)));
  document.addEventListener("keydown", (event) => {
    if (event.key !== "ArrowDown" && event.key !== "ArrowUp") return;
    event.preventDefault();
    select(at + (event.key === "ArrowDown" ? 1 : -1));
    rows[at].scrollIntoView({ block: "nearest" });
  });
  if (at >= 0) section.dataset.selected = rows[at].dataset.candidate;
})();
