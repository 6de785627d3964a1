"""What the tests' scripts that sign in to snac2 share: its authorization page's form, and an
opener that does not follow redirects (the redirect's Location carries the code)."""
import html.parser
import urllib.request


class Form(html.parser.HTMLParser):
    """The page's form: where it posts, and its hidden fields."""

    def __init__(self):
        super().__init__()
        self.action, self.fields = None, {}

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "form":
            self.action = attrs.get("action")
        elif tag == "input" and attrs.get("type") == "hidden":
            self.fields[attrs.get("name")] = attrs.get("value", "")


class NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args):
        return None


def opener():
    return urllib.request.build_opener(urllib.request.ProxyHandler({}), NoRedirect)
