require 'minitest/autorun'
require 'plugin_host'

# The scene load as a user sees it when the TwinLink starts: the status texts with the
# percentage of faces meshed, SketchUp's editing context closed for the load and opened again
# after it, and the size of the mirror that the descriptor reports to Korvan.
class TestSceneLoad < Minitest::Test
  ELLIPSIS = "\u2026"
  HIERARCHY = 'loading hierarchy'

  # Remembers, in one list, the status texts and the calls the load makes on the editing
  # context, in the order they happen.
  module CallLog
    def self.entries = (@entries ||= [])
    def self.clear = entries.clear
  end

  module LoggedStatusBar
    def set_status_text(text = nil, *rest)
      CallLog.entries << [:status, text] if rest.empty? || rest == [SB_PROMPT]
      super
    end

    def undo
      CallLog.entries << [:undo]
      super
    end
  end

  module LoggedEditingContext
    def close_active
      CallLog.entries << [:close_active, active_path&.size]
      super
    end

    def edit_transform
      CallLog.entries << [:edit_transform, active_path]
      super
    end
  end

  Sketchup.singleton_class.prepend(LoggedStatusBar)

  include PluginHost::FreshModel

  def setup
    super
    @model.singleton_class.prepend(LoggedEditingContext)
    CallLog.clear
  end

  def forget_before_start = CallLog.clear

  # The main status texts of the start, with the progress dots checked and left out: how many
  # dots appear depends on how long the tree takes to build.
  def status_texts
    texts = CallLog.entries.select { |kind, _| kind == :status }.map(&:last)
    dotted = texts.each_index.select { |i| texts[i]&.match?(/\A#{HIERARCHY}\.{1,5}\z/o) }
    unless dotted.empty?
      assert_operator texts.index(HIERARCHY), :<, dotted.first, 'dots follow the text'
      assert_operator texts.index(''), :>, dotted.last, 'dots stop when the text is cleared'
    end
    texts.reject.with_index { |_, i| dotted.include?(i) }
  end

  def loading_texts(*geometries)
    ['Korvan TwinLink initializing', "loading layers#{ELLIPSIS}", "loading components#{ELLIPSIS}",
     "loading geometries#{ELLIPSIS}", *geometries, HIERARCHY, '', nil]
  end

  def vertex_count = PluginHost.descriptor(@path)['entries']['vertexCount']

  def test_three_faces_show_a_third_two_thirds_and_all_of_the_geometries
    3.times { |i| PluginHost.square(@model.entities, 20 * i) }
    start_saved
    assert_equal loading_texts('loading geometries: 33%', 'loading geometries: 66%', 'loading geometries: 100%'),
                 status_texts
    # Twice the four corners of each square.
    assert_equal '24', vertex_count
  end

  # Every pane of the status bar, set while the start runs and cleared after it.
  def test_a_model_without_faces_shows_no_percentage_and_reports_no_vertices
    @model.entities.add_line([0, 0, 0], [10, 0, 0])
    start_saved
    assert_equal [[SB_PROMPT, 'Korvan TwinLink initializing'], [SB_VCB_LABEL, 'Korvan TwinLink:'],
                  [SB_VCB_VALUE, 'initializing'], [SB_VCB_VALUE, 'loading materials'], [SB_VCB_VALUE, 'loading scene'],
                  [SB_PROMPT, "loading layers#{ELLIPSIS}"], [SB_PROMPT, "loading components#{ELLIPSIS}"],
                  [SB_PROMPT, "loading geometries#{ELLIPSIS}"], [SB_PROMPT, HIERARCHY], [SB_PROMPT, ''],
                  [SB_PROMPT, nil], [SB_VCB_LABEL, nil], [SB_VCB_VALUE, nil]],
                 HostSim.status_history
    assert_equal '0', vertex_count
    assert_empty CallLog.entries.select { |kind, _| kind == :close_active || kind == :undo }
  end

  def test_editing_contexts_are_closed_for_the_load_and_opened_again_after_the_tree
    outer = @model.entities.add_group
    inner = outer.entities.add_group
    PluginHost.square(inner.entities)
    outer.transform!(Geom::Transformation.translation([100, 0, 0]))
    inner.transform!(Geom::Transformation.translation([0, 50, 0]))
    @model.active_path = [outer, inner]
    start_saved

    log = CallLog.entries
    status = ->(text) { log.index([:status, text]) }
    closes = log.each_index.select { |i| log[i].first == :close_active }
    undos = log.each_index.select { |i| log[i].first == :undo }
    reads = log.each_index.select { |i| log[i].first == :edit_transform }

    assert_equal [[:close_active, 2], [:close_active, 1]], closes.map { |i| log[i] }
    assert_operator closes.last, :<, status.call("loading layers#{ELLIPSIS}")
    assert_equal 2, undos.size
    assert_operator undos.first, :>, status.call(''), 'the contexts open again once the tree is built'
    assert_equal 1, reads.size
    assert_operator reads.first, :>, undos.last
    assert_equal [:edit_transform, [outer, inner]], log[reads.first], 'the context is read as SketchUp has it open'
    assert_equal [outer, inner], @model.active_path
    assert_equal '8', vertex_count
  end

  # A new model stops the link; starting on it mirrors the new model alone.
  def test_a_start_on_another_model_mirrors_only_that_model
    2.times { |i| PluginHost.square(@model.entities, 20 * i) }
    start_saved
    assert_equal '16', vertex_count

    Sketchup.file_new
    refute PluginHost.linked?
    @model = Sketchup.active_model
    PluginHost.square(@model.entities)
    @path = File.join(@base, 'Shed.skp')
    start_saved
    assert_equal '8', vertex_count
    assert_equal loading_texts('loading geometries: 100%'), status_texts
  end
end
